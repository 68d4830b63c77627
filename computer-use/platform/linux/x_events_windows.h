#pragma once
// The window manager's client windows as targets of synthetic events and of the
// accessibility backend: geometry, stacking, activation, and the window each process was
// last made key in during this run.

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/value.h"

namespace platform::linux_desktop {

struct ClientWindow {
  Window id = 0;
  int32_t pid = 0;
  Rect client;  // root coordinates
  Rect frame;   // the client grown by _NET_FRAME_EXTENTS
  Rect content;  // the client without the toolkit's own shadow (_GTK_FRAME_EXTENTS)
  std::string title;
  bool viewable = false;
};

// The managed client windows, bottom to top; empty without an X server or window manager.
std::vector<ClientWindow> clientWindows();
std::optional<ClientWindow> clientWindow(Window id);

std::optional<Window> activeWindow();

// Asks the window manager to activate (raise and focus) the window, as a pager would.
bool activateWindow(Window window);
// Asks the window manager to put the window on top of the stack without focusing it.
bool raiseWindow(Window window);

// Later key events of the process go to this window (for this run).
void setKeyWindow(int32_t pid, Window window);
std::optional<Window> keyWindow(int32_t pid);
// Where key events of a process go: the window it was last made key in, if that is still
// one of its client windows, else its topmost viewable client window, else its topmost one.
std::optional<ClientWindow> keyTarget(int32_t pid);
// The same window, not described: quicker.
std::optional<Window> keyTargetWindow(int32_t pid);

}  // namespace platform::linux_desktop
