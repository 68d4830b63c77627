#include "accessibility/focus.h"

#include <algorithm>

#include "accessibility/attributes.h"
#include "apps/running.h"
#include "core/run_state.h"
#include "input/key_window.h"
#include "platform/platform.h"

namespace dorv {

bool enableWebAccessibility(const platform::AXUIElement& application) {
  auto current = ax::attr(application, "AXManualAccessibility");
  const bool* on = current ? current->get<bool>() : nullptr;
  if (on && *on) return false;
  if (platform::accessibility().setAttributeValue(application, "AXManualAccessibility", platform::Value(true)) !=
      platform::AXErrorCode::success)
    return false;
  platform::system().sleepMicros(1'500'000);
  return true;
}

bool isChromium(const platform::RunningApplication& app) {
  return ax::attr(platform::accessibility().createApplication(app.processIdentifier), "AXManualAccessibility")
      .has_value();
}

void ensureKeyWindow(const platform::RunningApplication& app, uint32_t windowId) {
  auto focused = ax::attr(platform::accessibility().createApplication(app.processIdentifier), "AXFocusedWindow");
  if (focused && !focused->isNone()) return;
  makeKeyQuietly(app.processIdentifier, windowId);
}

namespace {

// The window manager activates a window a while after it was asked to (by a focus grab, a raise,
// a menu), and a busy or stalled one later still: the front application counts once it has
// stayed the same for a short while and over a few round trips through the window manager (an
// activation takes it two turns: the request, then the focus event it caused).
std::optional<platform::RunningApplication> settledFront() {
  constexpr double settleSeconds = 0.2, limitSeconds = 2.0;
  constexpr int settleTrips = 3;
  auto& system = platform::system();
  auto& workspace = platform::workspace();
  auto pidOf = [](const std::optional<platform::RunningApplication>& app) {
    return app ? app->processIdentifier : -1;
  };
  const double limit = system.monotonicSeconds() + limitSeconds;
  auto front = workspace.frontmostApplication();
  double since = system.monotonicSeconds();
  int trips = 0;
  while (system.monotonicSeconds() < limit && (system.monotonicSeconds() - since < settleSeconds || trips < settleTrips)) {
    system.sleepMicros(25'000);
    workspace.awaitWindowManager(std::max(0.0, limit - system.monotonicSeconds()));
    auto now = workspace.frontmostApplication();
    ++trips;
    if (pidOf(now) != pidOf(front)) {
      front = now;
      since = system.monotonicSeconds();
      trips = 0;
    }
  }
  return front;
}

}  // namespace

void restoreFront(const platform::RunningApplication& target) {
  if (!previousFront || previousFront->processIdentifier == target.processIdentifier) return;
  auto front = settledFront();
  if (!front || front->processIdentifier != target.processIdentifier) return;
  stoleFocus = true;
  // The request can be overtaken: a target still busy with its own activation takes the focus
  // back once the window manager has given it away, for up to a second under load. Asked again
  // while the target stays in front.
  constexpr double askSeconds = 1.5;
  auto& system = platform::system();
  auto& workspace = platform::workspace();
  const double limit = system.monotonicSeconds() + askSeconds;
  do {
    bringToFront(*previousFront);
    system.sleepMicros(100'000);
    workspace.awaitWindowManager(std::max(0.0, limit - system.monotonicSeconds()));
    auto now = workspace.frontmostApplication();
    if (!now || now->processIdentifier != target.processIdentifier) return;
  } while (system.monotonicSeconds() < limit);
}

}  // namespace dorv
