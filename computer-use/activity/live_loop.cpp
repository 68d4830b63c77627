#include "activity/live_loop.h"

#include <cmath>
#include <limits>
#include <optional>

#include "activity/live_lock.h"
#include "activity/record.h"
#include "activity/window_list.h"
#include "capture/capture.h"
#include "core/watchdog.h"

#include "platform/platform.h"

namespace dorv {
namespace {

// A JSON number with an integral value (written as 800 or 800.0).
std::optional<double> integral(const Json& value) {
  if (value.is_number_integer()) return value.get<double>();
  if (value.is_number_float()) {
    double f = value.get<double>();
    if (std::isfinite(f) && f == std::trunc(f)) return f;
  }
  return std::nullopt;
}

std::optional<double> integralIn(const Json& object, const char* key, double min, double max) {
  auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  auto v = integral(*it);
  if (!v || *v < min || *v > max) return std::nullopt;
  return v;
}

}  // namespace

std::vector<RecentWindow> recentWindows() {
  std::vector<RecentWindow> recent;
  const Json list = loadWindowList();
  for (const auto& [key, entry] : list.items()) {
    auto pid = integralIn(entry, "pid", std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max());
    auto windowId = integralIn(entry, "windowId", 0, std::numeric_limits<uint32_t>::max());
    auto at = entry.find("at");
    if (!pid || !windowId || at == entry.end() || !at->is_number()) continue;
    const double unbounded = std::numeric_limits<double>::infinity();
    recent.push_back(RecentWindow{
        static_cast<int32_t>(*pid), static_cast<uint32_t>(*windowId),
        integralIn(entry, "width", -unbounded, unbounded).value_or(800),
        integralIn(entry, "height", -unbounded, unbounded).value_or(600), at->get<double>()});
  }
  return recent;
}

bool refreshPass() {
  std::vector<RecentWindow> young;
  for (const auto& w : recentWindows()) {
    const double now = nowMillis();
    if (now - w.at < liveSeconds * 1000 && w.at <= now + futureSlackMillis) young.push_back(w);
  }
  if (young.empty()) return false;
  for (const auto& w : young) {
    // The window of an application that quit still keeps the loop alive until it is old.
    if (!platform::workspace().runningApplication(w.pid)) continue;
    WindowInfo window{w.windowId, "", {{0, 0}, {w.width, w.height}}, true};
    capture(window, framePath(w.windowId), previewMaxWidth, true);
  }
  return true;
}

void liveLoop() {
  if (!takeLiveLock()) return;
  // Each pass is bounded like a run: a stuck capture must not hold the lock for ever.
  for (;;) {
    armWatchdog(runBoundSeconds(0));
    if (!refreshPass()) return;
    platform::system().sleepMicros(liveRefreshMicros);
  }
}

}  // namespace dorv
