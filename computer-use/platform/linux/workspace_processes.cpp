#include "platform/linux/workspace_processes.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include "platform/linux/desktop_entries.h"
#include "platform/linux/window_server_clients.h"
#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

std::string readSmallFile(const std::string& path) { return fileText(path).value_or(""); }

// The value of a variable in a /proc environ block, or none.
std::optional<std::string> environValue(const std::string& environ, const std::string& name) {
  const std::string prefix = name + "=";
  for (size_t at = 0; at < environ.size();) {
    size_t end = environ.find('\0', at);
    if (end == std::string::npos) end = environ.size();
    if (environ.compare(at, prefix.size(), prefix) == 0)
      return environ.substr(at + prefix.size(), end - at - prefix.size());
    at = end + 1;
  }
  return std::nullopt;
}

// Children inherit the launcher's variables, so the file counts only with this process's pid.
std::string launchedDesktopFile(int32_t pid, const std::string& environ) {
  auto launchedPid = environValue(environ, "GIO_LAUNCHED_DESKTOP_FILE_PID");
  if (!launchedPid || *launchedPid != std::to_string(pid)) return "";
  return environValue(environ, "GIO_LAUNCHED_DESKTOP_FILE").value_or("");
}

}  // namespace

WindowOwners windowOwnersWithActive() {
  WindowOwners desktop;
  auto clients = managedWindows(false);
  if (!clients) return desktop;
  desktop.active = clients->active;
  for (const ManagedWindow& client : clients->windows) {
    if (!client.pid) continue;
    WindowOwner& owner = desktop.owners[*client.pid];
    owner.windows.push_back(client.window);
    if (owner.applicationId.empty()) owner.applicationId = client.applicationId;
    if (owner.kdeDesktopFile.empty()) owner.kdeDesktopFile = client.kdeDesktopFile;
    if (owner.ownsNormalWindow) continue;
    if (client.layer == WindowLayer::normal || owner.frontWindow == None) {
      owner.ownsNormalWindow = client.layer == WindowLayer::normal;
      owner.frontWindow = client.window;
      owner.wmClass = client.wmClass.value_or(WindowClass{});
    }
  }
  return desktop;
}

std::map<int32_t, WindowOwner> windowOwners() { return windowOwnersWithActive().owners; }

std::optional<int32_t> activeWindowOwner() {
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  auto active = cardinalProperty(DefaultRootWindow(d), atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
  if (!active || active->empty() || (*active)[0] == None) return std::nullopt;
  return windowPid((*active)[0]);
}

ProcessNames processNames(int32_t pid) {
  const std::string dir = "/proc/" + std::to_string(pid) + "/";
  ProcessNames names;
  char target[4096];
  const ssize_t n = readlink((dir + "exe").c_str(), target, sizeof target - 1);
  if (n > 0) names.executable = programName(std::string(target, static_cast<size_t>(n)));
  const std::string cmdline = readSmallFile(dir + "cmdline");
  names.command = programName(cmdline.substr(0, cmdline.find('\0')));
  // Each word ends with a zero byte; the first is the program.
  for (size_t at = cmdline.find('\0'); at != std::string::npos && at + 1 < cmdline.size();) {
    const size_t end = cmdline.find('\0', at + 1);
    names.arguments.push_back(validUtf8(cmdline.substr(at + 1, end - at - 1)));
    at = end;
  }
  names.shortName = readSmallFile(dir + "comm");
  if (!names.shortName.empty() && names.shortName.back() == '\n') names.shortName.pop_back();
  names.launchedDesktopFile = launchedDesktopFile(pid, readSmallFile(dir + "environ"));
  names.executable = validUtf8(names.executable);
  names.command = validUtf8(names.command);
  names.shortName = validUtf8(names.shortName);
  return names;
}

}  // namespace platform::linux_desktop
