#pragma once
// The window manager's managed client windows (EWMH). Shared by the window list and the running
// applications, which see windows the same way.

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/value.h"

namespace platform::linux_desktop {

// Window layers in the numbering the core expects: 0 is the ordinary window layer.
namespace WindowLayer {
inline constexpr int desktop = -2147483623;
inline constexpr int normal = 0;
inline constexpr int floating = 3;
inline constexpr int dock = 20;
inline constexpr int popUpMenu = 101;
inline constexpr int overlay = 102;
}  // namespace WindowLayer

// _NET_WM_PID, or none.
std::optional<int32_t> windowPid(Window window);

// The layer of the window's _NET_WM_WINDOW_TYPE (normal and dialog windows, and untyped ones
// as EWMH reads them, are layer 0).
int windowLayer(Window window);

// _NET_WM_NAME, falling back to WM_NAME; valid UTF-8. None when the window has neither.
std::optional<std::string> windowTitle(Window window);

struct WindowClass {
  std::string instance;
  std::string className;
};

struct WindowPlacement {
  // The client rectangle grown by _NET_FRAME_EXTENTS, in root coordinates.
  Rect frame;
  // Viewable and not _NET_WM_STATE_HIDDEN.
  bool onScreen = false;
};

struct ManagedWindow {
  Window window = None;
  std::optional<int32_t> pid;  // as windowPid
  int layer = WindowLayer::normal;
  // Read only with placements; a window that is gone has no placement.
  std::optional<std::string> title;
  std::optional<WindowPlacement> placement;
  // Read only without placements, for the running applications: WM_CLASS, and the desktop-file
  // ids the toolkit names (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE; "" when unset).
  std::optional<WindowClass> wmClass;
  std::string applicationId;
  std::string kdeDesktopFile;
};
struct ManagedWindows {
  // Front to back.
  std::vector<ManagedWindow> windows;
  // _NET_ACTIVE_WINDOW; None when no window is.
  Window active = None;
};
// The managed client windows with their owners and layers, and their placements and titles or
// else their classes and toolkit ids: the list and the active window in one round trip, then
// all of every window in another (not counting the X-Resource queries for windows without
// _NET_WM_PID). None without a window manager or X server.
std::optional<ManagedWindows> managedWindows(bool withPlacements);

// The window's desktop (_NET_WM_DESKTOP) when it is not the shown one (_NET_CURRENT_DESKTOP)
// and not every desktop; none otherwise.
std::optional<unsigned long> otherDesktop(Window window);

// _NET_WM_STATE holds _NET_WM_STATE_HIDDEN: the window is minimised.
bool isMinimised(Window window);

// The text as valid UTF-8, invalid sequences replaced.
std::string validUtf8(const std::string& text);

}  // namespace platform::linux_desktop
