#include "activity/live_lock.h"

#include "core/paths.h"
#include "platform/platform.h"

namespace dorv {

std::optional<int> takeLiveLock() {
  auto& system = platform::system();
  auto fd = system.openLockFile(liveLockPath);
  if (!fd) return std::nullopt;
  if (!system.tryLock(*fd)) {
    system.close(*fd);
    return std::nullopt;
  }
  return fd;
}

void startLiveLoop() {
  auto& system = platform::system();
  auto fd = takeLiveLock();
  if (!fd) return;
  // Only a probe: the new loop takes the lock itself.
  system.unlock(*fd);
  system.close(*fd);
  auto program = system.executablePath();
  if (!program) return;
  system.spawnDetached(*program, {*program, "live"});
}

}  // namespace dorv
