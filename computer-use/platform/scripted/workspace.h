#pragma once
// Running applications as a test sets them.

#include <map>

#include "platform/scripted/call_log.h"
#include "platform/workspace.h"

namespace platform::scripted {

class ScriptedWorkspace : public Workspace {
 public:
  explicit ScriptedWorkspace(CallLog& log) : log_(log) {}

  std::vector<RunningApplication> apps;
  std::optional<int32_t> frontmostPid;
  // Activating an application makes it frontmost unless this is false.
  bool activationWorks = true;
  // The frontmost application once the window manager has answered, as a late one would.
  std::optional<int32_t> frontmostPidAfterWindowManager;
  std::map<std::string, std::string> installedBundles;  // bundle identifier -> bundle path
  std::vector<std::string> directories;
  std::vector<InstalledApplication> installed;
  std::string extension = ".app";
  // What a launch or open reports; no completion at all when unset.
  std::optional<OpenOutcome> openOutcome;

  RunningApplication& add(int32_t pid, std::string name, std::string bundleId = "",
                          ActivationPolicy policy = ActivationPolicy::regular);

  std::vector<RunningApplication> runningApplications() override;
  std::optional<RunningApplication> runningApplication(int32_t pid) override;
  std::optional<RunningApplication> frontmostApplication() override;
  // The window manager answers at once; a change it was late with takes effect then.
  bool awaitWindowManager(double seconds) override;
  void activate(const RunningApplication& application) override;
  std::optional<std::string> urlForApplication(const std::string& bundleIdentifier) override;
  std::vector<InstalledApplication> installedApplications() override { return installed; }
  std::vector<std::string> applicationDirectories() override { return directories; }
  std::string bundleExtension() override { return extension; }
  void openApplication(const std::string& bundlePath, bool activates, OpenCompletion completion) override;
  void openURLs(const std::vector<std::string>& urls, const std::string& bundlePath, bool activates,
                OpenCompletion completion) override;

 private:
  CallLog& log_;
};

}  // namespace platform::scripted
