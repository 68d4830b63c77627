#include "platform/linux/x_events.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/linux/input_routes.h"
#include "platform/linux/keymap.h"
#include "platform/linux/x11.h"
#include "platform/linux/x_events_windows.h"

namespace platform::linux_desktop {
namespace {

// The server's clock: read once through a property change on a window of our own, then
// advanced with the local monotonic clock, so stamps never run ahead of the server.
Time serverTime() {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point base;
  static Time baseTime = [] {
    Display* d = display();
    Time t = CurrentTime;
    if (d != nullptr) {
      XSetWindowAttributes attributes{};
      attributes.event_mask = PropertyChangeMask;
      Window w = XCreateWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, InputOnly,
                               CopyFromParent, CWEventMask, &attributes);
      unsigned char nothing = 0;
      XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeAppend, &nothing, 0);
      XSync(d, False);
      XEvent event;
      if (XCheckTypedWindowEvent(d, w, PropertyNotify, &event)) t = event.xproperty.time;
      XDestroyWindow(d, w);
      XSync(d, False);
      takeError();
    }
    base = Clock::now();
    return t;
  }();
  if (baseTime == CurrentTime) return CurrentTime;
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - base);
  return baseTime + static_cast<Time>(elapsed.count());
}

std::optional<int64_t> field(const CGEvent& event, uint32_t number) {
  std::optional<int64_t> value;
  for (const auto& [f, v] : event.fields)
    if (f == number) value = v;
  return value;
}

// GTK counts two presses less than its double-click time (400 ms by default) apart as a double
// click; the off-screen primer does not break the count, since GTK drops events outside its
// windows. So a new gesture waits, when it has to, until that time has passed since the last
// press any run sent, kept on the root window for the runs that follow: the stamps stay the
// server's real time, never ahead of it.
constexpr Time gestureGapMs = 500;

Atom lastPressProperty() { return atom("_DORV_LAST_GESTURE_PRESS"); }

// How far ahead a recorded turn may lie: queued runs reserve a gap each; anything further is
// left over from another server clock and ignored.
constexpr Time reservedAheadMs = 10'000;

// Replaces the recorded press time by next(recorded time, or none when absent or not believable)
// with the server grabbed: two runs reading and writing it at once would press together.
Time updateLastPress(Display* d, Time now, const std::function<Time(std::optional<Time>)>& next) {
  XGrabServer(d);
  auto last = cardinalProperty(DefaultRootWindow(d), lastPressProperty(), XA_CARDINAL);
  std::optional<Time> recorded;
  if (last && !last->empty() && static_cast<Time>((*last)[0]) <= now + reservedAheadMs)
    recorded = static_cast<Time>((*last)[0]);
  const Time value = next(recorded);
  long stamp = static_cast<long>(value);
  XChangeProperty(d, DefaultRootWindow(d), lastPressProperty(), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&stamp), 1);
  XUngrabServer(d);
  XSync(d, False);
  return value;
}

// Reserves this gesture's turn, a gap after the last press or turn, before waiting for it, so
// that a run starting meanwhile waits a gap after this one.
void separateFromLastPress(Display* d) {
  const Time now = serverTime();
  if (now == CurrentTime) return;
  const Time turn = updateLastPress(d, now, [&](std::optional<Time> last) {
    return last ? std::max(now, *last + gestureGapMs) : now;
  });
  if (turn > now) std::this_thread::sleep_for(std::chrono::milliseconds(turn - now));
}

// Records a press, never lowering a turn another run reserved since.
void rememberPress(Display* d, Time time) {
  updateLastPress(d, time, [&](std::optional<Time> last) { return last ? std::max(*last, time) : time; });
}

void send(Display* d, Window window, XEvent& event) {
  XSendEvent(d, window, False, 0, &event);
}

// Real input reaches whatever is active: the target's window is made active first, and
// nothing is sent unless it became so. The core gives the user's window back after the action.
bool madeActive(const ClientWindow& target) {
  if (activeWindow() == target.id) return true;
  if (!activateWindow(target.id)) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < deadline) {
    if (activeWindow() == target.id) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// Whether the target's window is the topmost one under the screen point.
bool onTop(const ClientWindow& target, int x, int y) {
  std::optional<Window> top;
  for (const auto& c : clientWindows()) {
    const Rect& f = c.frame;
    if (c.viewable && x >= f.origin.x && y >= f.origin.y && x < f.origin.x + f.size.width &&
        y < f.origin.y + f.size.height)
      top = c.id;
  }
  return top == target.id;
}

// Where the user's pointer was before our real input moved it, to be put back afterwards.
std::optional<std::pair<int, int>> userPointer(Display* d) {
  Window root = None, child = None;
  int x = 0, y = 0, winX = 0, winY = 0;
  unsigned mask = 0;
  if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &winX, &winY, &mask)) return std::nullopt;
  return std::pair{x, y};
}

void fakeMouse(Display* d, const ClientWindow& target, const CGEvent& event, int rootX, int rootY) {
  static bool held = false;
  static std::optional<std::pair<int, int>> pointerBefore;
  const bool up = event.type == CGEventType::leftMouseUp;
  // A release always follows a press of ours; nothing else goes where the target is not on top
  // (the gestures' off-screen primer, say).
  if (!(up && held) && (!madeActive(target) || !onTop(target, rootX, rootY))) return;
  if (!held && !pointerBefore) pointerBefore = userPointer(d);
  XTestFakeMotionEvent(d, -1, rootX, rootY, CurrentTime);
  if (event.type == CGEventType::leftMouseDown || up) {
    XTestFakeButtonEvent(d, Button1, !up, CurrentTime);
    held = !up;
  }
  // The gesture is over with its release: the pointer goes back to where the user left it.
  if (up && pointerBefore) {
    XTestFakeMotionEvent(d, -1, pointerBefore->first, pointerBefore->second, CurrentTime);
    pointerBefore.reset();
  }
  XSync(d, False);
}

std::optional<ClientWindow> mouseTarget(int32_t pid, const CGEvent& event) {
  if (auto number = field(event, RecordField::windowNumber))
    return clientWindow(static_cast<Window>(*number));
  return keyTarget(pid);
}

void postMouse(int32_t pid, const CGEvent& event) {
  Display* d = display();
  auto target = mouseTarget(pid, event);
  if (d == nullptr || !target) return;
  // Frame-relative window location → client-relative.
  Point inClient = event.windowLocation
                       ? Point{event.windowLocation->x - (target->client.origin.x - target->frame.origin.x),
                               event.windowLocation->y - (target->client.origin.y - target->frame.origin.y)}
                       : Point{event.location.x - target->client.origin.x,
                               event.location.y - target->client.origin.y};
  // X events carry 16-bit coordinates: a point beyond them lies outside every window, and cutting
  // it down to fit would press somewhere else.
  auto carried = [](double v) { return std::isfinite(v) && v >= -32768 && v <= 32767; };
  if (!carried(inClient.x) || !carried(inClient.y) || !carried(event.location.x) || !carried(event.location.y))
    return;
  int x = static_cast<int>(inClient.x), y = static_cast<int>(inClient.y);
  int rootX = static_cast<int>(event.location.x), rootY = static_cast<int>(event.location.y);
  Window root = DefaultRootWindow(d);
  static std::optional<int64_t> lastGroup;
  if (auto group = field(event, RecordField::clickGroup); group != lastGroup) {
    lastGroup = group;
    separateFromLastPress(d);
  }
  if (pointerRoute(pid) == InputRoute::xtest) {
    fakeMouse(d, *target, event, rootX, rootY);
    return;
  }
  Time time = serverTime();

  XEvent e{};
  switch (event.type) {
    case CGEventType::mouseMoved:
      e.xcrossing = XCrossingEvent{EnterNotify, 0, True, d, target->id, root, None, time, x, y,
                                   rootX, rootY, NotifyNormal, NotifyNonlinear, True, False, 0};
      send(d, target->id, e);
      [[fallthrough]];
    case CGEventType::leftMouseDragged: {
      unsigned held = event.type == CGEventType::leftMouseDragged ? Button1Mask : 0;
      e.xmotion = XMotionEvent{MotionNotify, 0, True, d, target->id, root, None, time, x, y,
                               rootX, rootY, held, NotifyNormal, True};
      send(d, target->id, e);
      break;
    }
    case CGEventType::leftMouseDown:
    case CGEventType::leftMouseUp: {
      bool down = event.type == CGEventType::leftMouseDown;
      e.xbutton = XButtonEvent{down ? ButtonPress : ButtonRelease, 0, True, d, target->id, root,
                               None, time, x, y, rootX, rootY, down ? 0u : Button1Mask, Button1,
                               True};
      send(d, target->id, e);
      if (down) rememberPress(d, time);
      break;
    }
    default: return;
  }
  XFlush(d);
}

// The modifier keys of a state, pressed before a key and released after it.
void fakeModifiers(Display* d, unsigned state, bool press) {
  static const std::pair<unsigned, KeySym> modifiers[] = {
      {ShiftMask, XK_Shift_L}, {ControlMask, XK_Control_L}, {Mod1Mask, XK_Alt_L}, {Mod4Mask, XK_Super_L}};
  for (const auto& [mask, sym] : modifiers)
    if (state & mask)
      if (KeyCode code = XKeysymToKeycode(d, sym)) XTestFakeKeyEvent(d, code, press, CurrentTime);
}

void sendKey(Display* d, int32_t pid, Window window, bool press, const KeyStroke& stroke, unsigned extraState) {
  if (keyRoute(pid) == InputRoute::xtest) {
    auto target = clientWindow(window);
    if (!target || !madeActive(*target)) return;
    const unsigned state = stroke.state | extraState;
    if (press) fakeModifiers(d, state, true);
    XTestFakeKeyEvent(d, stroke.code, press, CurrentTime);
    if (!press) fakeModifiers(d, state, false);
    XSync(d, False);
    return;
  }
  XEvent e{};
  e.xkey = XKeyEvent{press ? KeyPress : KeyRelease, 0, True, d, window, DefaultRootWindow(d),
                     None, serverTime(), 1, 1, 1, 1, stroke.state | extraState, stroke.code, True};
  send(d, window, e);
}

// UTF-16 units → code points; a carriage return and line feed together are one line break.
std::u32string codePoints(const std::u16string& units) {
  std::u32string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    if (c == U'\n' && !out.empty() && out.back() == U'\r') continue;
    out += c;
  }
  return out;
}

// False when a character or key could not be typed at all.
bool postKey(int32_t pid, const CGEvent& event) {
  Display* d = display();
  bool down = event.type == CGEventType::keyDown;
  // A character is typed whole on its key down; its key up has nothing left to send.
  if (!event.unicode.empty() && !down) return true;
  auto target = keyTargetWindow(pid);
  if (d == nullptr || !target) return true;
  if (!event.unicode.empty()) {
    for (char32_t c : codePoints(event.unicode)) {
      bool typed = withKeyFor(keysymForCodePoint(c), *target, [&](const KeyStroke& stroke) {
        sendKey(d, pid, *target, true, stroke, 0);
        sendKey(d, pid, *target, false, stroke, 0);
        XFlush(d);
      });
      if (!typed) return false;
    }
    return true;
  }
  auto sym = keysymForMacKeyCode(event.keyCode);
  if (!sym) return true;
  return withKeyFor(*sym, *target, [&](const KeyStroke& stroke) {
    sendKey(d, pid, *target, down, stroke, modifierState(event.flags));
    XFlush(d);
  });
}

}  // namespace

bool postEvent(int32_t pid, const CGEvent& event) {
  if (event.type == CGEventType::keyDown || event.type == CGEventType::keyUp) return postKey(pid, event);
  postMouse(pid, event);
  return true;
}

void postFocusChange(Window window, bool gained) {
  Display* d = display();
  if (d == nullptr) return;
  XEvent e{};
  e.xfocus = XFocusChangeEvent{gained ? FocusIn : FocusOut, 0, True, d, window, NotifyNormal,
                               NotifyNonlinear};
  send(d, window, e);
  XFlush(d);
}

}  // namespace platform::linux_desktop
