#include "platform/linux/workspace_launch.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

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
// once it has exited (it handed over to a running instance), or after a bound.
void waitUntilLaunched(GPid pid) {
  constexpr int pollMicros = 20'000;
  constexpr int boundMicros = 5'000'000;
  constexpr int focusSettleMicros = 200'000;
  for (int waited = 0; waited < boundMicros; waited += pollMicros) {
    if (kill(pid, 0) != 0 && errno == ESRCH) return;
    if (windowOwners().count(pid)) {
      usleep(focusSettleMicros);
      return;
    }
    usleep(pollMicros);
  }
}

}  // namespace

void launchDesktopEntry(const std::string& path, const std::vector<std::string>& uris,
                        const std::function<RunningApplication(int32_t pid)>& describe,
                        const OpenCompletion& completion) {
  GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(path.c_str());
  if (!info) {
    completion(OpenOutcome{std::nullopt, "The application entry " + path + " can't be read."});
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
    waitUntilLaunched(pid);
    outcome.application = describe(pid);
  }
  if (error) g_error_free(error);
  completion(std::move(outcome));
}

}  // namespace platform::linux_desktop
