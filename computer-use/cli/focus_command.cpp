// The focus command: raises one window and makes its application frontmost.

#include "accessibility/window_resolution.h"
#include "apps/running.h"
#include "cli/commands.h"
#include "core/run_state.h"
#include "platform/platform.h"

namespace dorv {

void focusCommand() {
  if (args.empty()) fail("focus needs an app");
  auto app = resolveApp(args.front());
  auto window = axWindow(app, windowOption);
  auto& ax = platform::accessibility();
  ax.performAction(window.element, "AXRaise");
  ax.setAttributeValue(window.element, "AXMain", platform::Value(true));
  bringToFront(app);
  platform::system().sleepMicros(150'000);
  emit(Json{{"ok", true}, {"focused", window.info.id}});
}

}  // namespace dorv
