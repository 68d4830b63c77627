// Compiled into the launch plugin only.

#include "platform/linux/workspace_launch.h"
#include "platform/linux/workspace_launch_plugin.h"

extern "C" void dorv_launch_desktop_entry(
    const std::string& path, const std::vector<std::string>& uris,
    const std::function<platform::RunningApplication(int32_t pid, bool exited)>& describe,
    const platform::OpenCompletion& completion) {
  platform::linux_desktop::launchDesktopEntry(path, uris, describe, completion);
}
