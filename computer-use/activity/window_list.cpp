#include "activity/window_list.h"

#include <algorithm>
#include <limits>

#include "apps/running.h"
#include "capture/capture.h"
#include "core/paths.h"
#include "platform/platform.h"

namespace dorv {

namespace {

// The deepest nesting of arrays and objects in JSON text, strings skipped; counted before
// parsing, since a deep value would overflow the stack of the recursive code that frees it.
int nestingDepth(const std::string& text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

}  // namespace

Json loadWindowList() {
  auto text = platform::system().readFile(windowsPath, windowListMaxBytes);
  if (!text || nestingDepth(*text) > windowListMaxDepth) return Json::object();
  Json list = Json::parse(*text, nullptr, false);
  if (!list.is_object()) return Json::object();
  for (const auto& [key, entry] : list.items())
    if (!entry.is_object()) return Json::object();
  return list;
}

bool stampWithin(double stamp, double cutoffMillis, double nowMillis) {
  return stamp >= cutoffMillis && stamp <= nowMillis + futureSlackMillis;
}

void pruneWindowList(Json& list, double cutoffMillis, double nowMillis) {
  auto& system = platform::system();
  for (auto it = list.begin(); it != list.end();) {
    const Json& entry = *it;
    auto at = entry.find("at");
    double stamp = at != entry.end() && at->is_number() ? at->get<double>() : 0;
    if (stampWithin(stamp, cutoffMillis, nowMillis)) {
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
