#include "protocol/emitter.h"

#include <unistd.h>

namespace dictate {

Emitter& Emitter::shared() {
  // Never destroyed: a writer blocked on a full pipe must not hold up the process's exit.
  static Emitter* instance = new Emitter([](const std::string& line) {
    // One write call per line; a failed write (closed pipe) is dropped.
    if (::write(STDOUT_FILENO, line.data(), line.size()) < 0) return;
  });
  return *instance;
}

}  // namespace dictate
