// The type command: text inserted through accessibility when that visibly works, typed as key
// events to the process otherwise.

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
#include "core/result.h"
#include "core/run_state.h"
#include "cli/startup.h"
#include "input/gestures.h"
#include "input/keyboard.h"
#include "platform/platform.h"

namespace dorv {
namespace {

using platform::AXUIElement;
using platform::Value;

// Presses or focuses element n of the window so that it takes the text; the element.
AXUIElement prepareIndexed(const platform::RunningApplication& app, const ResolvedWindow& window, int64_t n) {
  auto elements = collect(window.element).interactive;
  if (n < 0 || n >= static_cast<int64_t>(elements.size()))
    fail("No element " + std::to_string(n) + ". Screenshot again.");
  const Element& element = elements[static_cast<size_t>(n)];
  auto& ax = platform::accessibility();
  auto names = ax::actions(element.ref);
  if (std::find(names.begin(), names.end(), "AXPress") != names.end()) {
    ax.performAction(element.ref, "AXPress");
  } else if (isChromium(app)) {
    const auto& f = element.frame;
    backgroundClick(app.processIdentifier, {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2},
                    window.info.id, window.info.frame.origin);
  } else {
    ax.setAttributeValue(element.ref, "AXFocused", Value(true));
  }
  platform::system().sleepMicros(100'000);
  return element.ref;
}

// Whether setting the selected text changed the element's value.
bool inserted(const AXUIElement& target, const std::string& text, bool keysWanted) {
  if (!target) return false;
  const auto before = ax::stringValue(target);
  if (keysWanted || !ax::settable(target, "AXSelectedText")) return false;
  if (platform::accessibility().setAttributeValue(target, "AXSelectedText", Value(text)) !=
      platform::AXErrorCode::success)
    return false;
  auto value = ax::attr(target, "AXValue");
  const std::string* after = value ? value->get<std::string>() : nullptr;
  return after ? before != *after : before.has_value();
}

}  // namespace

void typeCommand() {
  auto text = option("--text");
  if (!text) fail("type needs --text");
  if (args.empty()) fail("type needs an app");
  auto captureReady = prepareCapture();  // for the frame after the typing
  auto app = resolveApp(args.front());
  auto window = axWindow(app, windowOption);
  setBeforeFailure([app] { restoreFront(app); });

  AXUIElement target;
  std::optional<int64_t> index;
  if (auto value = option("--index"))
    index = parseInteger(*value, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  if (index) {
    target = prepareIndexed(app, window, *index);
  } else {
    target = ax::element(ax::attr(platform::accessibility().createApplication(app.processIdentifier),
                                  "AXFocusedUIElement"));
  }
  const bool keysWanted = std::find(args.begin(), args.end(), "--keys") != args.end();

  std::string via = "AXSelectedText";
  if (!inserted(target, *text, keysWanted)) {
    ensureKeyWindow(app, window.info.id);
    postText(app.processIdentifier, *text);
    via = "key events";
  }
  restoreFront(app);
  recordActivity(app, window.info, "type");
  emit(Json{{"ok", true}, {"typed", *text}, {"via", via}});
}

}  // namespace dorv
