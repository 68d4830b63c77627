// The open command: an application launched, or handed a URL or file, in the background.

#include "accessibility/focus.h"
#include "apps/launch.h"
#include "apps/running.h"
#include "core/run_state.h"
#include "cli/key_open_commands.h"

namespace dorv {
namespace {

void emitOpened(const std::string& opened, const std::optional<RunningApplication>& app) {
  emit(Json{{"ok", true},
            {"opened", opened},
            {"app", app ? app->localizedName.value_or("") : ""},
            {"pid", app ? app->processIdentifier : 0}});
}

}  // namespace

void openCommand() {
  if (args.empty()) fail("open needs an app");
  const std::string name = args[0];
  const std::optional<std::string> target = args.size() > 1 ? std::optional(args[1]) : std::nullopt;
  auto bundlePath = applicationURL(name);
  if (!bundlePath) fail("No app matches \"" + name + "\". Run `apps` to list running ones.");
  if (auto running = target ? std::nullopt : runningApp(name)) {
    emitOpened("already running", running);
    return;
  }
  std::optional<std::string> url;
  if (target) {
    url = targetURL(*target);
    if (!url)
      fail("\"" + *target + "\" isn't a URL or a file path. Pass a full URL, like https://example.com.");
  }
  auto launched = openInBackground(*bundlePath, url);
  // Launching without activation is a request; an application may still take the front.
  if (launched) restoreFront(*launched);
  emitOpened(target.value_or(lastPathComponent(*bundlePath)), launched);
}

}  // namespace dorv
