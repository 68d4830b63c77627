// The read-only listing commands: apps and windows.

#include "apps/running.h"
#include "apps/windows.h"
#include "cli/commands.h"
#include "core/run_state.h"
#include "platform/platform.h"

namespace dorv {

void appsCommand() {
  Json apps = Json::array();
  const auto running = platform::workspace().runningApplications();
  const auto windows = windowsByOwner();
  for (const auto& app : running) {
    if (app.activationPolicy != platform::ActivationPolicy::regular) continue;
    auto own = windows.find(app.processIdentifier);
    apps.push_back(appRecord(app, own == windows.end() ? 0 : own->second.size()));
  }
  emit(Json{{"ok", true}, {"apps", std::move(apps)}});
}

void windowsCommand() {
  if (args.empty()) fail("windows needs an app");
  auto app = resolveApp(args.front());
  Json records = Json::array();
  for (const auto& w : windows(app.processIdentifier)) {
    records.push_back(Json{
        {"id", w.id},
        {"title", w.title},
        {"onScreen", w.onScreen},
        {"frame", Json::array({static_cast<int64_t>(w.frame.origin.x), static_cast<int64_t>(w.frame.origin.y),
                               static_cast<int64_t>(w.frame.size.width), static_cast<int64_t>(w.frame.size.height)})},
    });
  }
  emit(Json{{"ok", true}, {"app", app.localizedName.value_or("")}, {"windows", std::move(records)}});
}

}  // namespace dorv
