// The drag command: press, move and release in a background window.

#include "accessibility/focus.h"
#include "accessibility/window_resolution.h"
#include "activity/record.h"
#include "apps/running.h"
#include "cli/commands.h"
#include "core/run_state.h"
#include "cli/point_argument.h"
#include "cli/startup.h"
#include "input/gestures.h"

namespace dorv {

void dragCommand() {
  const char* const usage = "drag needs an app, --from x,y and --to x,y";
  if (args.empty()) fail(usage);
  const std::string name = args.front();
  auto fromValue = option("--from");
  auto toValue = option("--to");
  if (!fromValue || !toValue) fail(usage);
  auto app = resolveApp(name);
  auto window = axWindow(app, windowOption);
  auto from = pointArgument(*fromValue);
  auto to = pointArgument(*toValue);
  if (!from || !to) fail("--from and --to take x,y");
  const platform::Point o = window.info.frame.origin;
  backgroundDrag(app.processIdentifier, {o.x + from->x, o.y + from->y}, {o.x + to->x, o.y + to->y}, o,
                 window.info.id, 24);
  restoreFront(app);
  recordActivity(app, window.info, "drag");
  emit(Json{{"ok", true}, {"dragged", *fromValue + " -> " + *toValue}});
}

}  // namespace dorv
