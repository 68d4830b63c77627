// The key command: one key chord pressed in a background window.

#include "accessibility/focus.h"
#include "accessibility/window_resolution.h"
#include "activity/record.h"
#include "apps/running.h"
#include "core/result.h"
#include "core/run_state.h"
#include "cli/key_open_commands.h"
#include "input/keyboard.h"

namespace dorv {

void keyCommand() {
  if (args.size() < 2) fail("key needs an app and a chord");
  const std::string chordText = args[1];
  auto app = resolveApp(args[0]);
  auto window = axWindow(app, windowOption);
  const Chord chord = parseChord(chordText);
  setBeforeFailure([app] { restoreFront(app); });
  ensureKeyWindow(app, window.info.id);
  postKey(app.processIdentifier, chord.code, chord.flags);
  restoreFront(app);
  recordActivity(app, window.info, "key");
  emit(Json{{"ok", true}, {"pressed", chordText}});
}

}  // namespace dorv
