#include "core/watchdog.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "core/result.h"

namespace dorv {
namespace {

using Clock = std::chrono::steady_clock;

std::mutex guard;
std::condition_variable changed;
std::optional<Clock::time_point> deadline;
std::string deadlineMessage;

void watch() {
  std::unique_lock lock(guard);
  for (;;) {
    if (!deadline) {
      changed.wait(lock);
    } else if (changed.wait_until(lock, *deadline) == std::cv_status::timeout && deadline &&
               Clock::now() >= *deadline) {
      const std::string message = deadlineMessage;
      lock.unlock();
      abandonRun(message);
    }
  }
}

}  // namespace

double runBoundSeconds(size_t argumentBytes) { return 60.0 + 0.05 * static_cast<double>(argumentBytes); }

void armWatchdog(double seconds) {
  static const bool started = [] {
    std::thread(watch).detach();
    return true;
  }();
  (void)started;
  std::lock_guard lock(guard);
  deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  deadlineMessage = "The run didn't finish within " + std::to_string(static_cast<int>(seconds)) +
                    " seconds: the display, the accessibility bus or the application doesn't answer. Try "
                    "again; if it keeps happening, restart that application.";
  changed.notify_all();
}

void disarmWatchdog() {
  std::lock_guard lock(guard);
  deadline.reset();
  changed.notify_all();
}

}  // namespace dorv
