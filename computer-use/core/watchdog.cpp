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

struct Watch {
  std::mutex guard;
  std::condition_variable changed;
  std::optional<Clock::time_point> deadline;
  std::string deadlineMessage;
};

// Never destroyed: the watching thread is detached and may still wait on it while the process
// exits (destroying a condition variable that a thread waits on blocks until the wait ends).
Watch& watch() {
  static Watch* state = new Watch;
  return *state;
}

void keepWatch() {
  Watch& w = watch();
  std::unique_lock lock(w.guard);
  for (;;) {
    if (!w.deadline) {
      w.changed.wait(lock);
    } else if (w.changed.wait_until(lock, *w.deadline) == std::cv_status::timeout && w.deadline &&
               Clock::now() >= *w.deadline) {
      const std::string message = w.deadlineMessage;
      lock.unlock();
      abandonRun(message);
    }
  }
}

}  // namespace

double runBoundSeconds(size_t argumentBytes) { return 60.0 + 0.05 * static_cast<double>(argumentBytes); }

void armWatchdog(double seconds) {
  static const bool started = [] {
    std::thread(keepWatch).detach();
    return true;
  }();
  (void)started;
  Watch& w = watch();
  std::lock_guard lock(w.guard);
  w.deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  w.deadlineMessage = "The run didn't finish within " + std::to_string(static_cast<int>(seconds)) +
                      " seconds: the display, the accessibility bus or the application doesn't answer. Try "
                      "again; if it keeps happening, restart that application.";
  w.changed.notify_all();
}

void disarmWatchdog() {
  Watch& w = watch();
  std::lock_guard lock(w.guard);
  w.deadline.reset();
  w.changed.notify_all();
}

}  // namespace dorv
