#include "platform/linux/desktop_entries.h"

#include <gio/gdesktopappinfo.h>

#include <algorithm>
#include <functional>

namespace platform::linux_desktop {
namespace {

std::string text(const char* s) { return s ? s : ""; }

DesktopEntry entryOf(GDesktopAppInfo* info) {
  GAppInfo* app = G_APP_INFO(info);
  return DesktopEntry{
      text(g_app_info_get_id(app)),
      text(g_app_info_get_name(app)),
      text(g_desktop_app_info_get_filename(info)),
      text(g_desktop_app_info_get_startup_wm_class(info)),
      programName(text(g_app_info_get_executable(app))),
      g_app_info_should_show(app) != FALSE,
  };
}

bool equalIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return !a.empty() && g_ascii_strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

std::string bundleIdentifier(const DesktopEntry& entry) {
  const std::string suffix = ".desktop";
  return entry.id.ends_with(suffix) ? entry.id.substr(0, entry.id.size() - suffix.size()) : entry.id;
}

std::string programName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const std::vector<DesktopEntry>& installedDesktopEntries() {
  static const std::vector<DesktopEntry> entries = [] {
    std::vector<DesktopEntry> all;
    GList* infos = g_app_info_get_all();
    for (GList* i = infos; i; i = i->next)
      if (G_IS_DESKTOP_APP_INFO(i->data)) all.push_back(entryOf(G_DESKTOP_APP_INFO(i->data)));
    g_list_free_full(infos, g_object_unref);
    std::sort(all.begin(), all.end(),
              [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });
    return all;
  }();
  return entries;
}

const DesktopEntry* matchDesktopEntry(const std::vector<DesktopEntry>& entries,
                                      const ProcessIdentity& process) {
  const std::function<bool(const DesktopEntry&)> rules[] = {
      [&](const DesktopEntry& e) {
        return !process.launchedDesktopFile.empty() && e.path == process.launchedDesktopFile;
      },
      [&](const DesktopEntry& e) {
        return !e.startupWMClass.empty() &&
               (e.startupWMClass == process.wmClass || e.startupWMClass == process.wmInstance);
      },
      [&](const DesktopEntry& e) {
        const std::string id = bundleIdentifier(e);
        return equalIgnoringAsciiCase(process.wmInstance, id) ||
               equalIgnoringAsciiCase(process.wmClass, id);
      },
      [&](const DesktopEntry& e) {
        return !e.executable.empty() &&
               (e.executable == process.executable || e.executable == process.command);
      },
  };
  for (const auto& rule : rules) {
    auto it = std::find_if(entries.begin(), entries.end(), rule);
    if (it != entries.end()) return &*it;
  }
  return nullptr;
}

std::optional<DesktopEntry> desktopEntryWithId(const std::string& id) {
  GDesktopAppInfo* info = g_desktop_app_info_new(id.c_str());
  if (!info) return std::nullopt;
  DesktopEntry entry = entryOf(info);
  g_object_unref(info);
  return entry;
}

std::vector<std::string> applicationDirectories() {
  std::vector<std::string> dataDirs = {g_get_user_data_dir()};
  for (const gchar* const* d = g_get_system_data_dirs(); *d; ++d) dataDirs.emplace_back(*d);
  std::vector<std::string> dirs;
  for (const auto& dataDir : dataDirs) {
    // The XDG lists may end their entries with a slash.
    gchar* dir = g_build_filename(dataDir.c_str(), "applications", nullptr);
    dirs.emplace_back(dir);
    g_free(dir);
  }
  return dirs;
}

}  // namespace platform::linux_desktop
