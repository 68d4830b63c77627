#include "platform/linux/plugin_loading.h"
#include "platform/linux/workspace_launch_plugin.h"

namespace platform::linux_desktop {

void launchThroughPlugin(const std::string& path, const std::vector<std::string>& uris,
                         const std::function<RunningApplication(int32_t pid, bool exited)>& describe,
                         const OpenCompletion& completion) {
  static const auto entry =
      reinterpret_cast<LaunchPluginEntry>(pluginEntry(launchPluginName, launchPluginEntryName));
  if (entry == nullptr) {
    completion(OpenOutcome{std::nullopt, std::string("The launcher beside this program (") + launchPluginName +
                                             ") is missing or broken, so nothing could be launched."});
    return;
  }
  entry(path, uris, describe, completion);
}

}  // namespace platform::linux_desktop
