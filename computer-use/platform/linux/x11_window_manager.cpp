#include "platform/linux/x11_window_manager.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <algorithm>
#include <chrono>

#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

bool offersFrameExtentsRequest(Display* d) {
  auto supported = cardinalProperty(DefaultRootWindow(d), atom("_NET_SUPPORTED"), XA_ATOM);
  return supported && std::find(supported->begin(), supported->end(), atom("_NET_REQUEST_FRAME_EXTENTS")) !=
                          supported->end();
}

// A window that is never mapped, watched for the property the window manager sets on it.
Window askingWindow(Display* d) {
  static const Window window = [d] {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    return XCreateWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                         CWEventMask, &attributes);
  }();
  return window;
}

}  // namespace

bool windowManagerRoundTrip(double seconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  Display* d = display();
  static const bool offered = d != nullptr && offersFrameExtentsRequest(d);
  if (!offered) return false;
  const Window window = askingWindow(d);
  const Atom extents = atom("_NET_FRAME_EXTENTS");
  XEvent event{};
  while (XCheckTypedWindowEvent(d, window, PropertyNotify, &event)) {
  }
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = window;
  request.xclient.message_type = atom("_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XFlush(d);
  for (;;) {
    while (XCheckTypedWindowEvent(d, window, PropertyNotify, &event))
      if (event.xproperty.atom == extents) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd connection{ConnectionNumber(d), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(std::min<long long>(left, 50)));
    // Reads what arrived into Xlib's queue (and notices a lost connection).
    XEventsQueued(d, QueuedAfterReading);
  }
}

}  // namespace platform::linux_desktop
