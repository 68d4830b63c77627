#include "activity/record.h"

#include <cmath>

#include "activity/ancestry.h"
#include "activity/live_lock.h"
#include "activity/window_list.h"
#include "capture/capture.h"
#include "capture/whole_file.h"
#include "core/run_state.h"
#include "core/paths.h"
#include "platform/platform.h"

namespace dorv {

double nowMillis() { return platform::system().timeSince1970() * 1000.0; }

void writeJSON(const Json& value, const std::string& path) {
  // A title that is not valid UTF-8 is recorded with replacement characters rather than
  // losing the whole record.
  std::string data = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  replaceWhole(path, [&](const std::string& temporary) { return platform::system().writeFile(temporary, data); });
}

Json activityObject(const platform::RunningApplication& app, const WindowInfo& window,
                    const std::string& action) {
  return Json{
      {"pid", app.processIdentifier},
      {"windowId", window.id},
      {"app", app.localizedName.value_or("")},
      {"title", window.title},
      {"action", action},
      {"at", nowMillis()},
      {"ancestors", ancestors()},
      {"width", static_cast<int64_t>(std::trunc(window.frame.size.width))},
      {"height", static_cast<int64_t>(std::trunc(window.frame.size.height))},
  };
}

void writeFrame(const WindowInfo& window, const platform::Image& image) {
  writeImage(image, window, framePath(window.id), previewMaxWidth, true);
}

void recordActivity(const platform::RunningApplication& app, const WindowInfo& window,
                    const std::string& action) {
  platform::system().createDirectories(activityDir);
  writeFrame(window, captureImage(window.id));
  recordActivityAfterFrame(app, window, action);
}

void recordActivityAfterFrame(const platform::RunningApplication& app, const WindowInfo& window,
                              const std::string& action) {
  Json activity = activityObject(app, window, action);
  if (sayOption) {
    Json captioned = activity;
    captioned["caption"] = *sayOption;
    writeJSON(captioned, activityPath);
  } else {
    writeJSON(activity, activityPath);
  }

  Json list = loadWindowList();
  list[std::to_string(window.id)] = std::move(activity);
  const double now = nowMillis();
  pruneWindowList(list, now - windowMemorySeconds * 1000.0, now);
  writeJSON(list, windowsPath);

  startLiveLoop();
}

}  // namespace dorv
