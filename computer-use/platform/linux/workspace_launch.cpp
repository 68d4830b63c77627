#include "platform/linux/workspace_launch.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/linux/workspace_processes.h"

namespace platform::linux_desktop {
namespace {

void newSession(gpointer) { setsid(); }

void rememberPid(GDesktopAppInfo*, GPid pid, gpointer data) {
  // With several processes (one per file for %f entries) the first one is the application.
  auto* launched = static_cast<GPid*>(data);
  if (*launched == 0) *launched = pid;
}

// Spawning is not launching: the application has finished launching once it shows a managed
// window (the window manager may give that window the focus, which the caller wants to see),
// once it has exited (it handed over to a running instance), or after a bound. True when it
// has exited.
bool waitUntilLaunched(GPid pid) {
  constexpr int pollMicros = 20'000;
  constexpr int boundMicros = 5'000'000;
  for (int waited = 0; waited < boundMicros; waited += pollMicros) {
    if (kill(pid, 0) != 0 && errno == ESRCH) return true;
    if (windowOwners().count(pid)) {
      usleep(focusSettleMicros);
      return false;
    }
    usleep(pollMicros);
  }
  return false;
}

// Why the entry would drop one of the URIs, or none when it takes them all. GIO hands a file
// URI to a file-only entry as its path.
std::optional<std::string> refusal(GAppInfo* app, const std::vector<std::string>& uris) {
  if (uris.empty() || g_app_info_supports_uris(app)) return std::nullopt;
  const std::string name = g_app_info_get_name(app) ? g_app_info_get_name(app) : "The application";
  if (!g_app_info_supports_files(app)) return name + " takes no files or web addresses.";
  for (const std::string& uri : uris) {
    gchar* scheme = g_uri_parse_scheme(uri.c_str());
    const bool file = scheme && g_ascii_strcasecmp(scheme, "file") == 0;
    g_free(scheme);
    if (!file) return name + " opens only files, not web addresses like " + uri + ".";
  }
  return std::nullopt;
}

}  // namespace

void launchDesktopEntry(const std::string& path, const std::vector<std::string>& uris,
                        const std::function<RunningApplication(int32_t pid, bool exited)>& describe,
                        const OpenCompletion& completion) {
  GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(path.c_str());
  if (!info) {
    completion(OpenOutcome{std::nullopt, "The application entry " + path + " can't be read."});
    return;
  }
  if (auto reason = refusal(G_APP_INFO(info), uris)) {
    g_object_unref(info);
    completion(OpenOutcome{std::nullopt, *reason});
    return;
  }
  GList* list = nullptr;
  for (auto it = uris.rbegin(); it != uris.rend(); ++it)
    list = g_list_prepend(list, const_cast<char*>(it->c_str()));
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  GAppLaunchContext* context = g_app_launch_context_new();
  GPid pid = 0;
  GError* error = nullptr;
  const gboolean launched = g_desktop_app_info_launch_uris_as_manager_with_fds(
      info, list, context, G_SPAWN_SEARCH_PATH, newSession, nullptr, rememberPid, &pid, null, null,
      null, &error);
  if (null >= 0) ::close(null);
  g_object_unref(context);
  g_list_free(list);
  g_object_unref(info);
  OpenOutcome outcome;
  if (!launched) {
    outcome.error = error && error->message ? error->message : "The application didn't start.";
  } else if (pid > 0) {
    const bool exited = waitUntilLaunched(pid);
    outcome.application = describe(pid, exited);
  }
  if (error) g_error_free(error);
  completion(std::move(outcome));
}

}  // namespace platform::linux_desktop
