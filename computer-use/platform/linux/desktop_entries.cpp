#include "platform/linux/desktop_entries.h"

#include <gio/gdesktopappinfo.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <tuple>

namespace platform::linux_desktop {
namespace {

std::string text(const char* s) { return s ? s : ""; }

std::string owned(gchar* s) {
  std::string result = text(s);
  g_free(s);
  return result;
}

// The Exec words after the program; none when the line does not parse.
std::vector<std::string> execArguments(GAppInfo* app) {
  std::vector<std::string> words;
  const char* line = g_app_info_get_commandline(app);
  gchar** argv = nullptr;
  if (!line || !g_shell_parse_argv(line, nullptr, &argv, nullptr)) return words;
  for (gchar** word = argv; *word; ++word)
    if (word != argv) words.emplace_back(*word);
  g_strfreev(argv);
  return words;
}

bool hasSettingsCategory(GDesktopAppInfo* info) {
  const char* categories = g_desktop_app_info_get_categories(info);
  if (!categories) return false;
  gchar** list = g_strsplit(categories, ";", -1);
  const bool found = g_strv_contains(list, "Settings");
  g_strfreev(list);
  return found;
}

DesktopEntry entryOf(GDesktopAppInfo* info) {
  GAppInfo* app = G_APP_INFO(info);
  return DesktopEntry{
      text(g_app_info_get_id(app)),
      text(g_app_info_get_name(app)),
      text(g_desktop_app_info_get_filename(info)),
      text(g_desktop_app_info_get_startup_wm_class(info)),
      programName(text(g_app_info_get_executable(app))),
      g_app_info_should_show(app) != FALSE,
      execArguments(app),
      hasSettingsCategory(info),
      owned(g_desktop_app_info_get_string(info, G_KEY_FILE_DESKTOP_KEY_NAME)),
  };
}

bool equalIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return !a.empty() && g_ascii_strcasecmp(a.c_str(), b.c_str()) == 0;
}

// "Editor" of "org.example.Editor"; "" for an id that is not reverse-domain.
std::string lastIdComponent(const std::string& id) {
  const size_t dot = id.rfind('.');
  return dot == std::string::npos ? "" : id.substr(dot + 1);
}

// How many command-line words an Exec field code may stand for; deprecated codes expand to
// nothing.
struct WordRange {
  size_t least, most;
};
std::optional<WordRange> fieldCodeWords(const std::string& word) {
  constexpr size_t any = SIZE_MAX;
  if (word.size() != 2 || word[0] != '%') return std::nullopt;
  switch (word[1]) {
    case 'f': case 'u': case 'c': case 'k': return WordRange{0, 1};
    case 'F': case 'U': return WordRange{0, any};
    case 'i': return WordRange{0, 2};  // "--icon" and the icon, when the entry has one
    case 'd': case 'D': case 'n': case 'N': case 'v': case 'm': return WordRange{0, 0};
    default: return std::nullopt;
  }
}

// Whether a process started from an Exec line with these words after the program could have
// these command-line words after its first: literal words equal, field codes standing for as
// many words as they may.
bool argumentsFit(const std::vector<std::string>& exec, size_t e, const std::vector<std::string>& words,
                  size_t w) {
  if (e == exec.size()) return w == words.size();
  if (auto range = fieldCodeWords(exec[e])) {
    for (size_t n = range->least; n <= range->most && w + n <= words.size(); ++n)
      if (argumentsFit(exec, e + 1, words, w + n)) return true;
    return false;
  }
  return w < words.size() && exec[e] == words[w] && argumentsFit(exec, e + 1, words, w + 1);
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
        return !process.applicationId.empty() && bundleIdentifier(e) == process.applicationId;
      },
      [&](const DesktopEntry& e) {
        return !process.kdeDesktopFile.empty() && bundleIdentifier(e) == process.kdeDesktopFile;
      },
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
        const std::string last = lastIdComponent(bundleIdentifier(e));
        return equalIgnoringAsciiCase(process.wmInstance, last) ||
               equalIgnoringAsciiCase(process.wmClass, last);
      },
  };
  for (const auto& rule : rules) {
    auto it = std::find_if(entries.begin(), entries.end(), rule);
    if (it != entries.end()) return &*it;
  }
  // An editor's main entry and its settings entry run the same program: the command line, then
  // what the menus show, tell them apart.
  // An entry that fits with more literal words explains more of the command line than one
  // whose "%U" takes the words in.
  const DesktopEntry* best = nullptr;
  std::tuple<bool, size_t, bool> bestRank{};
  for (const DesktopEntry& e : entries) {
    if (e.executable.empty() || (e.executable != process.executable && e.executable != process.command))
      continue;
    const bool fits = argumentsFit(e.arguments, 0, process.arguments, 0);
    const size_t literals = fits ? static_cast<size_t>(std::count_if(e.arguments.begin(), e.arguments.end(),
                                                                     [](const std::string& a) {
                                                                       return !fieldCodeWords(a);
                                                                     }))
                                 : 0;
    const std::tuple<bool, size_t, bool> rank{fits, literals, e.shownInMenus && !e.settings};
    if (!best || rank > bestRank) {
      best = &e;
      bestRank = rank;
    }
  }
  return best;
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
