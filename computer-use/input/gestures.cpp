#include "input/gestures.h"


#include "core/result.h"
#include "input/event_fields.h"
#include "input/key_window.h"
#include "input/sky_light.h"
#include "platform/events.h"
#include "platform/platform.h"

namespace dorv {
namespace {

using namespace platform::CGEventType;

Point minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }

void pause(uint64_t micros) { platform::system().sleepMicros(micros); }

}  // namespace

void backgroundGesture(int32_t pid, uint32_t windowId, const std::function<void(const PostEvent&)>& body) {
  const auto& sky = SkyLight::shared();
  if (!sky) fail("Background clicks need private macOS APIs that aren't available on this macOS version.");

  auto front = frontWindow();
  // The front process is told about the target's window, not its own.
  if (front) sky->focusRecord(front->pid, windowId, false);
  sky->focusRecord(pid, windowId, true);
  pause(50'000);

  auto& events = platform::events();
  auto source = events.createSource(platform::CGEventSourceState::hidSystemState);
  const int64_t clickGroup = static_cast<int64_t>(platform::system().timeSince1970() * 1000 * 1000) & 0x7FFFFFFF;

  PostEvent post = [&](uint32_t type, Point location, Point windowLocation, int64_t clickState, int64_t phase,
                       int64_t subtype) {
    if (!source) return;
    auto event = events.createMouseEvent(*source, type, location, platform::mouseButtonLeft);
    if (!event) return;
    sky->setField(*event, EventField::gesturePhase, phase);
    sky->setField(*event, EventField::clickState, clickState);
    sky->setField(*event, EventField::buttonNumber, 0);
    sky->setField(*event, EventField::subtype, subtype);
    sky->setField(*event, EventField::targetPid, pid);
    sky->setField(*event, EventField::windowNumber, windowId);
    sky->setField(*event, EventField::windowUnderPointer, windowId);
    sky->setField(*event, EventField::windowThatCanHandle, windowId);
    sky->setField(*event, EventField::clickGroup, clickGroup);
    sky->setWindowLocation(*event, windowLocation);
    sky->postToPid(pid, *event);
  };
  body(post);

  if (front) {
    pause(50'000);
    sky->focusRecord(pid, windowId, false);
    sky->focusRecord(front->pid, front->windowId, true);
  }
}

void sendPrimer(const PostEvent& post) {
  post(leftMouseDown, offscreenPoint, offscreenPoint, 1, GesturePhase::primerDown, subtypeTouch);
  pause(1'000);
  post(leftMouseUp, offscreenPoint, offscreenPoint, 1, GesturePhase::primerUp, subtypeTouch);
  pause(100'000);
}

void backgroundClick(int32_t pid, Point at, uint32_t windowId, Point origin) {
  const Point w = minus(at, origin);
  backgroundGesture(pid, windowId, [&](const PostEvent& post) {
    post(mouseMoved, at, w, 0, GesturePhase::move, subtypeTouch);
    pause(15'000);
    sendPrimer(post);
    post(leftMouseDown, at, w, 1, GesturePhase::target, subtypeTouch);
    pause(1'000);
    post(leftMouseUp, at, w, 1, GesturePhase::target, subtypeTouch);
  });
}

void backgroundDrag(int32_t pid, Point from, Point to, Point origin, uint32_t windowId, int steps) {
  if (steps < 1) steps = 1;
  backgroundGesture(pid, windowId, [&](const PostEvent& post) {
    post(mouseMoved, from, minus(from, origin), 0, GesturePhase::move, subtypeNormal);
    pause(15'000);
    sendPrimer(post);
    post(leftMouseDown, from, minus(from, origin), 1, GesturePhase::target, subtypeNormal);
    pause(120'000);
    for (int i = 1; i <= steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      const Point p{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
      post(leftMouseDragged, p, minus(p, origin), 1, GesturePhase::target, subtypeNormal);
      pause(25'000);
    }
    pause(200'000);
    post(leftMouseUp, to, minus(to, origin), 1, GesturePhase::target, subtypeNormal);
  });
}

}  // namespace dorv
