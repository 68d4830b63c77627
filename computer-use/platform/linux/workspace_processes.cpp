#include "platform/linux/workspace_processes.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/linux/desktop_entries.h"
#include "platform/linux/window_server_clients.h"
#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

std::string readSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::map<int32_t, WindowOwner> windowOwners() {
  std::map<int32_t, WindowOwner> owners;
  auto clients = clientWindowsFrontToBack();
  if (!clients) return owners;
  for (Window window : *clients) {
    auto pid = windowPid(window);
    if (!pid) continue;
    WindowOwner& owner = owners[*pid];
    if (owner.ownsNormalWindow) continue;
    if (windowLayer(window) == WindowLayer::normal) {
      owner.ownsNormalWindow = true;
      owner.frontWindow = window;
    } else if (owner.frontWindow == None) {
      owner.frontWindow = window;
    }
  }
  return owners;
}

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
  names.shortName = readSmallFile(dir + "comm");
  if (!names.shortName.empty() && names.shortName.back() == '\n') names.shortName.pop_back();
  names.executable = validUtf8(names.executable);
  names.command = validUtf8(names.command);
  names.shortName = validUtf8(names.shortName);
  return names;
}

}  // namespace platform::linux_desktop
