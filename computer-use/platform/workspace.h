#pragma once
// Running applications, the frontmost one, bundle lookup and launching.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class ActivationPolicy { regular, accessory, prohibited };

// A snapshot of one running application's properties.
struct RunningApplication {
  int32_t processIdentifier = 0;
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> localizedName;
  // The file-system path of the bundle (no scheme, no trailing slash).
  std::optional<std::string> bundlePath;
  ActivationPolicy activationPolicy = ActivationPolicy::regular;
};

// An installed application that menus show.
struct InstalledApplication {
  std::string bundlePath;
  // The names people read for it: the localised one first, then the plain one when it differs.
  std::vector<std::string> names;
};

struct OpenOutcome {
  std::optional<RunningApplication> application;
  // The error's localized description.
  std::optional<std::string> error;
};

// Called once, on any thread, when a launch or an open has completed.
using OpenCompletion = std::function<void(OpenOutcome)>;

class Workspace {
 public:
  virtual ~Workspace() = default;

  // Every running application of the current user, in a stable order.
  virtual std::vector<RunningApplication> runningApplications() = 0;

  virtual std::optional<RunningApplication> runningApplication(int32_t pid) = 0;

  virtual std::optional<RunningApplication> frontmostApplication() = 0;

  // Returns once the window manager has handled what it was asked before the call (so a focus
  // change an application requested shows in frontmostApplication), or the seconds have passed;
  // false then, and when the window manager cannot be asked this way.
  virtual bool awaitWindowManager(double seconds) = 0;

  // Activates the application with no options. The outcome is not reported.
  virtual void activate(const RunningApplication& application) = 0;

  // The bundle path of an installed application with that bundle identifier, or none.
  virtual std::optional<std::string> urlForApplication(const std::string& bundleIdentifier) = 0;

  // The installed applications that menus show, ordered by bundle identifier.
  virtual std::vector<InstalledApplication> installedApplications() = 0;

  // The application directories of every domain, then the administrative ones.
  virtual std::vector<std::string> applicationDirectories() = 0;

  // The bundle file name of a bundle path (".app" on macOS, ".desktop" on Linux).
  virtual std::string bundleExtension() = 0;

  // Launches the application at a bundle path; activates = false keeps it in the background.
  virtual void openApplication(const std::string& bundlePath, bool activates,
                               OpenCompletion completion) = 0;

  // Hands URLs (file or web) to the application at a bundle path.
  virtual void openURLs(const std::vector<std::string>& urls, const std::string& bundlePath,
                        bool activates, OpenCompletion completion) = 0;
};

}  // namespace platform
