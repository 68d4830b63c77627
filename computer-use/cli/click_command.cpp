// The click command: an element by its screenshot number, or a point of the window, pressed
// through accessibility where possible and clicked in the background otherwise.

#include <algorithm>
#include <limits>

#include "accessibility/attributes.h"
#include "accessibility/collect.h"
#include "accessibility/focus.h"
#include "accessibility/window_resolution.h"
#include "activity/record.h"
#include "apps/running.h"
#include "capture/capture.h"
#include "cli/commands.h"
#include "core/run_state.h"
#include "cli/point_argument.h"
#include "cli/startup.h"
#include "input/gestures.h"
#include "platform/platform.h"

namespace dorv {
namespace {

namespace AXErrorCode = platform::AXErrorCode;
using platform::Point;
using platform::Value;

Point centre(const platform::Rect& r) { return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2}; }

std::string quoted(const std::string& role, const std::string& label) { return role + " \"" + label + "\""; }

// The way an element was operated, or none when only a background click is left.
std::optional<std::string> operate(const platform::RunningApplication& app, const Element& element) {
  auto& ax = platform::accessibility();
  auto has = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  if (has(ax::actions(element.ref), "AXPress") && ax.performAction(element.ref, "AXPress") == AXErrorCode::success)
    return "AXPress";
  if (ax::settable(element.ref, "AXSelected") &&
      ax.setAttributeValue(element.ref, "AXSelected", Value(true)) == AXErrorCode::success)
    return "AXSelected";
  if (!isChromium(app) && ax::settable(element.ref, "AXFocused") &&
      ax.setAttributeValue(element.ref, "AXFocused", Value(true)) == AXErrorCode::success)
    return "AXFocused";
  return std::nullopt;
}

struct Clicked {
  std::string what;
  std::string via;
};

Clicked clickByIndex(const platform::RunningApplication& app, const ResolvedWindow& window, int64_t n) {
  auto elements = collect(window.element).interactive;
  if (n < 0 || n >= static_cast<int64_t>(elements.size()))
    fail("No element " + std::to_string(n) + "; the window has " + std::to_string(elements.size()) +
         ". Screenshot again.");
  const Element& element = elements[static_cast<size_t>(n)];
  // Appended, not a chain of operator+: that trips a false -Wrestrict of GCC 12 at -O3.
  std::string what = "[";
  what.append(std::to_string(n)).append("] ").append(quoted(element.role, element.label));
  if (auto via = operate(app, element)) return {what, *via};
  backgroundClick(app.processIdentifier, centre(element.frame), window.info.id, window.info.frame.origin);
  return {what, "background click"};
}

// The element under the point, or the nearest ancestor below its window that can be pressed.
std::optional<Clicked> pressAt(const platform::RunningApplication& app, const ResolvedWindow& window, Point at) {
  auto& ax = platform::accessibility();
  platform::AXUIElement hit;
  ax.copyElementAtPosition(ax.createApplication(app.processIdentifier), static_cast<float>(at.x),
                           static_cast<float>(at.y), &hit);
  platform::AXUIElement current = hit ? ax::inWindow(hit, window.info.id) : platform::AXUIElement();
  while (current) {
    auto names = ax::actions(current);
    if (std::find(names.begin(), names.end(), "AXPress") != names.end()) {
      if (ax.performAction(current, "AXPress") != AXErrorCode::success) return std::nullopt;
      return Clicked{quoted(ax::text(current, "AXRole").value_or(""), ax::label(current)), "AXPress"};
    }
    platform::AXUIElement parent = ax::element(ax::attr(current, "AXParent"));
    if (!parent) return std::nullopt;
    auto role = ax::text(parent, "AXRole");
    if (role == "AXWindow" || role == "AXWebArea") return std::nullopt;
    current = parent;
  }
  return std::nullopt;
}

Clicked clickByPoint(const platform::RunningApplication& app, const ResolvedWindow& window) {
  auto value = option("--at");
  if (!value) fail("click needs --index <n> or --at <x>,<y>");
  auto offset = pointArgument(*value);
  if (!offset) fail("--at takes x,y");
  const Point origin = window.info.frame.origin;
  const Point at{origin.x + offset->x, origin.y + offset->y};
  if (auto pressed = pressAt(app, window, at)) return *pressed;
  backgroundClick(app.processIdentifier, at, window.info.id, origin);
  return {*value, "background click"};
}

}  // namespace

void clickCommand() {
  if (args.empty()) fail("click needs an app");
  auto captureReady = prepareCapture();  // for the frame after the click
  auto app = resolveApp(args.front());
  auto window = axWindow(app, windowOption);
  std::optional<int64_t> index;
  if (auto value = option("--index"))
    index = parseInteger(*value, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  Clicked clicked = index ? clickByIndex(app, window, *index) : clickByPoint(app, window);
  restoreFront(app);
  recordActivity(app, window.info, "click");
  emit(Json{{"ok", true}, {"clicked", clicked.what}, {"via", clicked.via}});
}

}  // namespace dorv
