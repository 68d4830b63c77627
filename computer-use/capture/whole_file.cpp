#include "capture/whole_file.h"

#include <cstdio>

#include "platform/platform.h"

namespace dorv {

std::string temporaryPathFor(const std::string& path) {
  auto& system = platform::system();
  char random[17];
  std::snprintf(random, sizeof random, "%llx", static_cast<unsigned long long>(system.randomNumber()));
  return path + "." + std::to_string(system.processId()) + "-" + random + ".tmp";
}

bool replaceWhole(const std::string& path, const std::function<bool(const std::string& temporary)>& write) {
  auto& system = platform::system();
  const std::string temporary = temporaryPathFor(path);
  if (write(temporary) && system.rename(temporary, path)) return true;
  // The name is private to this run: nobody else would ever remove it.
  system.removeFile(temporary);
  return false;
}

}  // namespace dorv
