#pragma once
// Launching goes through GIO, which maps six libraries of its own (libmount, libselinux,
// libblkid...): it lives in a plugin beside the program, loaded only by a run that launches.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/workspace.h"

namespace platform::linux_desktop {

inline constexpr const char* launchPluginName = "dorv-computer-use-launch.so";

// The plugin's one entry point: launchDesktopEntry (workspace_launch.h).
using LaunchPluginEntry = void (*)(const std::string& path, const std::vector<std::string>& uris,
                                   const std::function<RunningApplication(int32_t pid, bool exited)>& describe,
                                   const OpenCompletion& completion);
inline constexpr const char* launchPluginEntryName = "dorv_launch_desktop_entry";

// launchDesktopEntry through the plugin; without the plugin the launch fails with an error.
void launchThroughPlugin(const std::string& path, const std::vector<std::string>& uris,
                         const std::function<RunningApplication(int32_t pid, bool exited)>& describe,
                         const OpenCompletion& completion);

}  // namespace platform::linux_desktop
