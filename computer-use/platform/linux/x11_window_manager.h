#pragma once
// A round trip through the window manager: what it was asked before (an activation, a map)
// has been handled once the trip is back.

namespace platform::linux_desktop {

// Asks the window manager for a new window's frame extents (_NET_REQUEST_FRAME_EXTENTS) and
// waits for its answer: it handles requests in order, so everything asked of it before has been
// handled. False when it offers no such request, or did not answer within the seconds.
bool windowManagerRoundTrip(double seconds);

}  // namespace platform::linux_desktop
