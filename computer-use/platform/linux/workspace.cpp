// Running applications are the processes owning managed windows, described by their desktop
// entries; activation and launching go through the window manager and GIO.

#include <X11/Xlib.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/backends.h"
#include "platform/linux/desktop_entries.h"
#include "platform/linux/window_server_clients.h"
#include "platform/linux/workspace_accessible_apps.h"
#include "platform/linux/workspace_launch_plugin.h"
#include "platform/linux/workspace_processes.h"
#include "platform/linux/x11.h"
#include "platform/linux/x11_window_manager.h"
#include "platform/linux/x_events_windows.h"

namespace platform::linux_desktop {
namespace {

// `owner` is the process's windows (none for an application known only to the accessibility
// bus); `accessibleName` gives its name there ("" when none), called only when no desktop
// entry names the process so that a lookup of one process can spare the bus.
RunningApplication describe(int32_t pid, const WindowOwner& owner,
                            const std::function<std::string()>& accessibleName) {
  const ProcessNames names = processNames(pid);
  const WindowClass& wmClass = owner.wmClass;
  const DesktopEntry* entry = installedDesktopFiles().match(
      ProcessIdentity{wmClass.instance, wmClass.className, names.executable, names.command,
                      names.launchedDesktopFile, names.arguments, owner.applicationId,
                      owner.kdeDesktopFile});
  RunningApplication app;
  app.processIdentifier = pid;
  if (entry) {
    app.localizedName = entry->name;
    app.bundleIdentifier = bundleIdentifier(*entry);
    app.bundlePath = entry->path;
  } else if (std::string name = accessibleName(); !name.empty()) {
    app.localizedName = name;
  } else if (!wmClass.className.empty()) {
    app.localizedName = wmClass.className;
  } else if (!names.shortName.empty()) {
    app.localizedName = names.shortName;
  }
  const bool shownInMenus = entry && entry->shownInMenus;
  app.activationPolicy = owner.ownsNormalWindow || shownInMenus ? ActivationPolicy::regular
                                                                : ActivationPolicy::accessory;
  return app;
}

// What a freshly launched process is before it has windows: its entry.
RunningApplication describeLaunched(int32_t pid, const std::string& path) {
  RunningApplication app;
  app.processIdentifier = pid;
  for (const DesktopEntry& entry : installedDesktopEntries()) {
    if (entry.path != path) continue;
    app.localizedName = entry.name;
    app.bundleIdentifier = bundleIdentifier(entry);
    app.bundlePath = entry.path;
    app.activationPolicy = entry.shownInMenus ? ActivationPolicy::regular : ActivationPolicy::accessory;
  }
  return app;
}

struct DesktopState {
  std::map<int32_t, WindowOwner> owners;
  std::optional<int32_t> activeOwner;
};

DesktopState desktopState() { return DesktopState{windowOwners(), activeWindowOwner()}; }

// What shows an instance reacting: its windows, front to back, and their titles (a file opened
// in a new tab retitles the window).
std::vector<std::pair<Window, std::string>> appearance(const std::vector<Window>& windows) {
  std::vector<std::pair<Window, std::string>> seen;
  for (Window window : windows) seen.emplace_back(window, windowTitle(window).value_or(""));
  return seen;
}

// A single-instance application's launcher hands its targets to the running instance and
// exits. The receiver is the instance of the entry whose windows, titles or activation change;
// when none visibly reacts within a bound, the first instance of the entry. None when no
// instance of the entry ran before the launch.
std::optional<RunningApplication> receivingInstance(const std::string& path, const DesktopState& before) {
  std::map<int32_t, std::vector<std::pair<Window, std::string>>> instances;
  for (const auto& [pid, owner] : before.owners)
    if (describe(pid, owner, [] { return std::string(); }).bundlePath == path)
      instances.emplace(pid, appearance(owner.windows));
  if (instances.empty()) return std::nullopt;
  constexpr int pollMicros = 20'000;
  constexpr int boundMicros = 1'000'000;
  std::optional<int32_t> receiver;
  for (int waited = 0; !receiver && waited < boundMicros; waited += pollMicros) {
    const DesktopState now = desktopState();
    for (const auto& [pid, seen] : instances) {
      auto owner = now.owners.find(pid);
      const bool activated = now.activeOwner == pid && before.activeOwner != pid;
      if (activated || (owner != now.owners.end() && appearance(owner->second.windows) != seen)) {
        receiver = pid;
        break;
      }
    }
    if (!receiver) usleep(pollMicros);
  }
  // A new window may be given the focus a moment after it appears.
  if (receiver) usleep(focusSettleMicros);
  const int32_t pid = receiver.value_or(instances.begin()->first);
  const auto owners = windowOwners();
  auto owner = owners.find(pid);
  return describe(pid, owner == owners.end() ? before.owners.at(pid) : owner->second,
                  [] { return std::string(); });
}

class LinuxWorkspace : public Workspace {
  std::optional<RunningApplication> runningApplication(int32_t pid, const std::map<int32_t, WindowOwner>& owners) {
    std::optional<AccessibleApplications> accessible;
    auto accessibleName = [&] {
      if (!accessible) accessible.emplace();
      return accessible->name(pid);
    };
    if (auto it = owners.find(pid); it != owners.end()) return describe(pid, it->second, accessibleName);
    accessible.emplace();
    if (!accessible->contains(pid)) return std::nullopt;
    return describe(pid, WindowOwner{}, accessibleName);
  }

 public:
  // Ordered by process id, which is close to the order of starting.
  std::vector<RunningApplication> runningApplications() override {
    auto owners = windowOwners();
    AccessibleApplications accessible;
    for (const auto& [pid, app] : accessible.byPid()) owners.try_emplace(pid);
    std::vector<RunningApplication> apps;
    for (const auto& [pid, owner] : owners)
      apps.push_back(describe(pid, owner, [&, pid = pid] { return accessible.name(pid); }));
    return apps;
  }

  std::optional<RunningApplication> runningApplication(int32_t pid) override {
    return runningApplication(pid, windowOwners());
  }

  // The active window comes with the client list, and its owner is normally among the list's.
  std::optional<RunningApplication> frontmostApplication() override {
    const WindowOwners desktop = windowOwnersWithActive();
    if (desktop.active == None) return std::nullopt;
    for (const auto& [pid, owner] : desktop.owners)
      if (std::find(owner.windows.begin(), owner.windows.end(), desktop.active) != owner.windows.end())
        return runningApplication(pid, desktop.owners);
    auto pid = windowPid(desktop.active);
    return pid ? runningApplication(*pid) : std::nullopt;
  }

  bool awaitWindowManager(double seconds) override { return windowManagerRoundTrip(seconds); }

  void activate(const RunningApplication& application) override {
    const auto owners = windowOwners();
    auto it = owners.find(application.processIdentifier);
    if (it == owners.end() || !activateWindow(it->second.frontWindow)) return;
    // The window manager acts on the request in its own time; callers rely on the change.
    constexpr int pollMicros = 10'000;
    constexpr int boundMicros = 1'000'000;
    for (int waited = 0; waited < boundMicros && activeWindowOwner() != application.processIdentifier;
         waited += pollMicros)
      usleep(pollMicros);
  }

  std::optional<std::string> urlForApplication(const std::string& bundleIdentifier) override {
    if (bundleIdentifier.empty() || bundleIdentifier.find('/') != std::string::npos)
      return std::nullopt;
    auto entry = desktopEntryWithId(bundleIdentifier + ".desktop");
    if (!entry || entry->path.empty()) return std::nullopt;
    return entry->path;
  }

  std::vector<InstalledApplication> installedApplications() override {
    std::vector<InstalledApplication> apps;
    for (const DesktopEntry& entry : installedDesktopEntries()) {
      if (!entry.shownInMenus || entry.path.empty()) continue;
      InstalledApplication app{entry.path, {entry.name}};
      if (!entry.plainName.empty() && entry.plainName != entry.name) app.names.push_back(entry.plainName);
      apps.push_back(std::move(app));
    }
    return apps;
  }

  std::vector<std::string> applicationDirectories() override {
    return linux_desktop::applicationDirectories();
  }

  std::string bundleExtension() override { return ".desktop"; }

  // The window manager decides whether a new window takes the focus; the core gives it back.
  void openApplication(const std::string& bundlePath, bool, OpenCompletion completion) override {
    openURLs({}, bundlePath, false, std::move(completion));
  }

  void openURLs(const std::vector<std::string>& urls, const std::string& bundlePath, bool,
                OpenCompletion completion) override {
    const DesktopState before = desktopState();
    launchThroughPlugin(
        bundlePath, urls,
        [&](int32_t pid, bool exited) {
          if (auto receiver = exited ? receivingInstance(bundlePath, before) : std::nullopt) return *receiver;
          return describeLaunched(pid, bundlePath);
        },
        completion);
  }
};

}  // namespace

std::unique_ptr<Workspace> makeWorkspace() { return std::make_unique<LinuxWorkspace>(); }

}  // namespace platform::linux_desktop
