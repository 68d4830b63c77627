#include <glib.h>

#include "platform/linux/backends.h"
#include "platform/linux/capture_plugin.h"

namespace platform {

namespace {

GLogWriterOutput dropStructured(GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; }
void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// GLib, GIO, libatspi and GObject must not write to standard error (warnings about broken
// desktop files, unreachable buses...). GLib lets a process set its writer only once: here.
bool silenceGLib() {
  g_log_set_writer_func(dropStructured, nullptr, nullptr);
  g_log_set_default_handler(dropMessage, nullptr);
  return true;
}

}  // namespace

Platform nativePlatform() {
  using namespace linux_desktop;
  static const bool silenced = silenceGLib();
  (void)silenced;
  // Kept for the life of the process.
  static auto workspace = makeWorkspace();
  static auto windowServer = makeWindowServer();
  static auto accessibility = makeAccessibility();
  static auto privateFramework = makePrivateFramework();
  static auto events = makeEvents();
  static auto capture = makeLoadedCapture();
  static auto system = makeSystem();
  return Platform{workspace.get(), windowServer.get(), accessibility.get(), privateFramework.get(),
                  events.get(), capture.get(), system.get()};
}

}  // namespace platform
