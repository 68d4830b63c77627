#pragma once
// The processes that own managed windows, as the running applications are built from them.

#include <X11/Xlib.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/window_server_clients.h"

namespace platform::linux_desktop {

struct WindowOwner {
  // The owner's frontmost managed window, preferring windows of the ordinary layer.
  Window frontWindow = None;
  bool ownsNormalWindow = false;
  // Every managed window of the owner, front to back.
  std::vector<Window> windows;
  // WM_CLASS of the front window.
  WindowClass wmClass;
  // The first desktop-file id the toolkit names on one of the windows ("" when none does): it
  // sets it on its application windows, not always on its dialogs.
  std::string applicationId;
  std::string kdeDesktopFile;
};

// Every process owning a managed window, by process id; empty without a window manager.
std::map<int32_t, WindowOwner> windowOwners();

// The owners and _NET_ACTIVE_WINDOW (None when no window is), read together.
struct WindowOwners {
  std::map<int32_t, WindowOwner> owners;
  Window active = None;
};
WindowOwners windowOwnersWithActive();

// How long a window the window manager has just mapped may take to be given the focus.
inline constexpr int focusSettleMicros = 200'000;

// The owner of _NET_ACTIVE_WINDOW, or none.
std::optional<int32_t> activeWindowOwner();

// What /proc tells of a process: base names of its program file and of its first
// command-line word, its short name, and the desktop file GIO launched it from (only when
// GIO launched this very process, not an ancestor); "" for what cannot be read.
struct ProcessNames {
  std::string executable;
  std::string command;
  std::string shortName;
  std::string launchedDesktopFile;
  // The command-line words after the first.
  std::vector<std::string> arguments;
};
ProcessNames processNames(int32_t pid);

}  // namespace platform::linux_desktop
