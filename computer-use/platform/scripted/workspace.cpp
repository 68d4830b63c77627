#include "platform/scripted/workspace.h"

#include <utility>

namespace platform::scripted {

RunningApplication& ScriptedWorkspace::add(int32_t pid, std::string name, std::string bundleId,
                                           ActivationPolicy policy) {
  RunningApplication app;
  app.processIdentifier = pid;
  if (!name.empty()) app.localizedName = std::move(name);
  if (!bundleId.empty()) app.bundleIdentifier = std::move(bundleId);
  app.activationPolicy = policy;
  apps.push_back(app);
  return apps.back();
}

std::vector<RunningApplication> ScriptedWorkspace::runningApplications() {
  log_.add("runningApplications");
  return apps;
}

std::optional<RunningApplication> ScriptedWorkspace::runningApplication(int32_t pid) {
  for (const auto& a : apps)
    if (a.processIdentifier == pid) return a;
  return std::nullopt;
}

std::optional<RunningApplication> ScriptedWorkspace::frontmostApplication() {
  if (!frontmostPid) return std::nullopt;
  return runningApplication(*frontmostPid);
}

bool ScriptedWorkspace::awaitWindowManager(double) {
  if (frontmostPidAfterWindowManager) frontmostPid = *std::exchange(frontmostPidAfterWindowManager, std::nullopt);
  return true;
}

void ScriptedWorkspace::activate(const RunningApplication& application) {
  log_.add("activate " + std::to_string(application.processIdentifier));
  if (activationWorks) frontmostPid = application.processIdentifier;
}

std::optional<std::string> ScriptedWorkspace::urlForApplication(const std::string& bundleIdentifier) {
  auto it = installedBundles.find(bundleIdentifier);
  if (it == installedBundles.end()) return std::nullopt;
  return it->second;
}

void ScriptedWorkspace::openApplication(const std::string& bundlePath, bool activates,
                                        OpenCompletion completion) {
  log_.add("openApplication " + bundlePath + (activates ? " activates" : " background"));
  if (openOutcome) completion(*openOutcome);
}

void ScriptedWorkspace::openURLs(const std::vector<std::string>& urls, const std::string& bundlePath,
                                 bool activates, OpenCompletion completion) {
  std::string call = "openURLs";
  for (const auto& u : urls) call += " " + u;
  log_.add(call + " with " + bundlePath + (activates ? " activates" : " background"));
  if (openOutcome) completion(*openOutcome);
}

}  // namespace platform::scripted
