#pragma once
// Which client window an accessible window stands for. Toolkits disagree on what a window's
// screen extents are: the frame with the window manager's decorations (GTK3), the client area
// (Qt, Firefox), the client area without the toolkit's own shadow, or no screen position at all
// (GTK4 on X11, whose coordinates are relative to the window's content).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x_events_windows.h"
#include "platform/value.h"

namespace platform::linux_desktop {

struct AccessibleWindowFacts {
  std::optional<Rect> extents;  // as the toolkit reports them in screen coordinates
  std::string title;
};

struct Pairing {
  size_t client = 0;  // index into the client windows
  // Where the toolkit's (0,0) is on the screen, for a toolkit that reports no screen position.
  std::optional<Point> origin;
};

// For each accessible window its client window, or none: the best agreement of geometry, then
// of title, then the client nearest the top of the stack (clients are given bottom to top), each
// client to one accessible window; a process's only accessible window goes with its only client
// window whatever they report. All clients belong to the windows' process.
std::vector<std::optional<Pairing>> pairWindows(const std::vector<AccessibleWindowFacts>& windows,
                                                const std::vector<ClientWindow>& clients);

}  // namespace platform::linux_desktop
