#include "platform/linux/plugin_loading.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>

namespace platform::linux_desktop {
namespace {

std::string programDirectory() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return "";
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/') + 1);
}

}  // namespace

void* pluginEntry(const char* fileName, const char* entryName) {
  void* handle = dlopen((programDirectory() + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle ? dlsym(handle, entryName) : nullptr;
}

}  // namespace platform::linux_desktop
