#include "capture/whole_file.h"

#include "platform/platform.h"

namespace dorv {

std::string temporaryPathFor(const std::string& path) {
  return path + "." + std::to_string(platform::system().processId()) + ".tmp";
}

}  // namespace dorv
