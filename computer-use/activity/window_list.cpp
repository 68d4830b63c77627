#include "activity/window_list.h"

#include <limits>

#include "apps/running.h"
#include "capture/capture.h"
#include "core/paths.h"
#include "platform/platform.h"

namespace dorv {

Json loadWindowList() {
  auto text = platform::system().readFile(windowsPath);
  if (!text) return Json::object();
  Json list = Json::parse(*text, nullptr, false);
  if (!list.is_object()) return Json::object();
  for (const auto& [key, entry] : list.items())
    if (!entry.is_object()) return Json::object();
  return list;
}

void pruneWindowList(Json& list, double cutoffMillis) {
  auto& system = platform::system();
  for (auto it = list.begin(); it != list.end();) {
    const Json& entry = *it;
    auto at = entry.find("at");
    double stamp = at != entry.end() && at->is_number() ? at->get<double>() : 0;
    if (stamp >= cutoffMillis) {
      ++it;
      continue;
    }
    // Only a key that reads as a window id names files, and the path is built from the
    // number, never from the key's text.
    if (auto id = parseInteger(it.key(), 0, std::numeric_limits<uint32_t>::max())) {
      system.removeFile(framePath(static_cast<uint32_t>(*id)));
      system.removeFile(screenshotPath(static_cast<uint32_t>(*id)));
    }
    it = list.erase(it);
  }
}

}  // namespace dorv
