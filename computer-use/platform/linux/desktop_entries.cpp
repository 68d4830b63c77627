#include "platform/linux/desktop_entries.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>

namespace platform::linux_desktop {
namespace {

std::string text(const char* s) { return s ? s : ""; }

std::string owned(gchar* s) {
  std::string result = text(s);
  g_free(s);
  return result;
}

using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_free)>;

std::string key(GKeyFile* file, const char* name) {
  return owned(g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP, name, nullptr));
}

bool flag(GKeyFile* file, const char* name) {
  return g_key_file_get_boolean(file, G_KEY_FILE_DESKTOP_GROUP, name, nullptr) != FALSE;
}

bool hasSettingsCategory(GKeyFile* file) {
  gchar** list = g_key_file_get_string_list(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_CATEGORIES,
                                            nullptr, nullptr);
  const bool found = list && g_strv_contains(list, "Settings");
  g_strfreev(list);
  return found;
}

bool programInstalled(const std::string& program) {
  return !owned(g_find_program_in_path(program.c_str())).empty();
}

// The desktops the session names itself by, as GIO reads them.
const gchar* const* currentDesktops() {
  static gchar** const desktops = [] {
    const gchar* value = g_getenv("XDG_CURRENT_DESKTOP");
    return g_strsplit(value ? value : "", G_SEARCHPATH_SEPARATOR_S, 0);
  }();
  return desktops;
}

using StringList = std::unique_ptr<gchar*, decltype(&g_strfreev)>;

StringList stringList(GKeyFile* file, const char* name) {
  return StringList(g_key_file_get_string_list(file, G_KEY_FILE_DESKTOP_GROUP, name, nullptr, nullptr),
                    &g_strfreev);
}

// Whether the menus of the current desktop show the entry, decided as GIO's
// g_desktop_app_info_get_show_in does: creating a GDesktopAppInfo for that has GIO load its
// modules, read the MIME associations and watch the application directories, and closing
// those watches costs the run milliseconds at exit.
bool shownInMenus(GKeyFile* file) {
  if (flag(file, G_KEY_FILE_DESKTOP_KEY_NO_DISPLAY)) return false;
  const StringList only = stringList(file, G_KEY_FILE_DESKTOP_KEY_ONLY_SHOW_IN);
  const StringList notIn = stringList(file, G_KEY_FILE_DESKTOP_KEY_NOT_SHOW_IN);
  for (const gchar* const* desktop = currentDesktops(); *desktop; ++desktop) {
    if (only && g_strv_contains(only.get(), *desktop)) return true;
    if (notIn && g_strv_contains(notIn.get(), *desktop)) return false;
  }
  return !only;
}

// Whether a line of a desktop file is a translation for a language other than the ones the
// locale would pick ("Name[de]=..." when the user reads French).
bool otherTranslation(std::string_view line, const gchar* const* languages) {
  if (line.empty() || line[0] == '[' || line[0] == '#') return false;
  const size_t equals = line.find('='), open = line.find('[');
  if (open == std::string_view::npos || open > equals) return false;
  const size_t close = line.find(']', open);
  if (close == std::string_view::npos || close > equals) return false;
  const std::string_view locale = line.substr(open + 1, close - open - 1);
  for (const gchar* const* language = languages; *language; ++language)
    if (locale == *language) return false;
  return true;
}

// A desktop file less the other languages' translations: they are most of a common entry's
// lines, and parsing them was most of a listing run's own work.
std::string entryText(std::string_view all) {
  const gchar* const* languages = g_get_language_names_with_category("LC_MESSAGES");
  std::string kept;
  kept.reserve(all.size());
  for (size_t start = 0; start < all.size();) {
    const size_t newline = all.find('\n', start);
    const size_t end = newline == std::string_view::npos ? all.size() : newline + 1;
    const std::string_view line = all.substr(start, end - start);
    if (!otherTranslation(line, languages)) kept.append(line);
    start = end;
  }
  return kept;
}

// The application entry of a desktop file; none for a file that is no application, is hidden,
// or runs a program that is not installed (launchers would fail on it).
std::optional<DesktopEntry> readEntry(const std::string& id, const std::string& path, std::string_view text) {
  KeyFile file(g_key_file_new(), &g_key_file_free);
  const std::string contents = entryText(text);
  if (!g_key_file_load_from_data(file.get(), contents.data(), contents.size(), G_KEY_FILE_NONE, nullptr))
    return std::nullopt;
  if (owned(g_key_file_get_start_group(file.get())) != G_KEY_FILE_DESKTOP_GROUP ||
      key(file.get(), G_KEY_FILE_DESKTOP_KEY_TYPE) != G_KEY_FILE_DESKTOP_TYPE_APPLICATION ||
      flag(file.get(), G_KEY_FILE_DESKTOP_KEY_HIDDEN))
    return std::nullopt;
  const std::string tryExec = key(file.get(), G_KEY_FILE_DESKTOP_KEY_TRY_EXEC);
  if (!tryExec.empty() && !programInstalled(tryExec)) return std::nullopt;
  DesktopEntry entry;
  if (const std::string exec = key(file.get(), G_KEY_FILE_DESKTOP_KEY_EXEC); !exec.empty()) {
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(exec.c_str(), nullptr, &argv, nullptr)) return std::nullopt;
    const std::string program = argv[0];
    for (gchar** word = argv + 1; *word; ++word) entry.arguments.emplace_back(*word);
    g_strfreev(argv);
    if (!programInstalled(program)) return std::nullopt;
    entry.executable = programName(program);
  }
  entry.id = id;
  entry.name = owned(g_key_file_get_locale_string(file.get(), G_KEY_FILE_DESKTOP_GROUP,
                                                  G_KEY_FILE_DESKTOP_KEY_NAME, nullptr, nullptr));
  entry.path = path;
  entry.startupWMClass = key(file.get(), G_KEY_FILE_DESKTOP_KEY_STARTUP_WM_CLASS);
  entry.shownInMenus = shownInMenus(file.get());
  entry.settings = hasSettingsCategory(file.get());
  entry.plainName = key(file.get(), G_KEY_FILE_DESKTOP_KEY_NAME);
  return entry;
}

// The desktop files under an application directory by id: a file in a subdirectory is known by
// its relative path with "-" for "/".
void collectDesktopFiles(const std::filesystem::path& dir, const std::string& prefix,
                         std::map<std::string, std::string>& files) {
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = item.path().filename().string();
    if (name.ends_with(".desktop"))
      files.emplace(prefix + name, item.path().string());
    else if (item.is_directory(error))
      collectDesktopFiles(item.path(), prefix + name + "-", files);
  }
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

// A rule of the entry of a process: what it asks of an entry, and the key of the desktop file
// it reads besides the id and the path (null for none) with the values that key would need
// for a match.
struct Rule {
  std::function<bool(const DesktopEntry&)> matches;
  const char* key = nullptr;
  std::vector<std::string> values{};
};

std::vector<Rule> rules(const ProcessIdentity& process) {
  return {
      {[&](const DesktopEntry& e) {
        return !process.applicationId.empty() && bundleIdentifier(e) == process.applicationId;
      }},
      {[&](const DesktopEntry& e) {
        return !process.kdeDesktopFile.empty() && bundleIdentifier(e) == process.kdeDesktopFile;
      }},
      {[&](const DesktopEntry& e) {
        return !process.launchedDesktopFile.empty() && e.path == process.launchedDesktopFile;
      }},
      {[&](const DesktopEntry& e) {
         return !e.startupWMClass.empty() &&
                (e.startupWMClass == process.wmClass || e.startupWMClass == process.wmInstance);
       },
       G_KEY_FILE_DESKTOP_KEY_STARTUP_WM_CLASS,
       {process.wmClass, process.wmInstance}},
      {[&](const DesktopEntry& e) {
        const std::string id = bundleIdentifier(e);
        return equalIgnoringAsciiCase(process.wmInstance, id) || equalIgnoringAsciiCase(process.wmClass, id);
      }},
      {[&](const DesktopEntry& e) {
        const std::string last = lastIdComponent(bundleIdentifier(e));
        return equalIgnoringAsciiCase(process.wmInstance, last) || equalIgnoringAsciiCase(process.wmClass, last);
      }},
  };
}

// The last rule, among the entries in order: the entries of the process's program.
// An editor's main entry and its settings entry run the same program: the command line, then
// what the menus show, tell them apart.
// An entry that fits with more literal words explains more of the command line than one
// whose "%U" takes the words in.
const DesktopEntry* bestOfProgram(const std::vector<const DesktopEntry*>& entries,
                                  const ProcessIdentity& process) {
  const DesktopEntry* best = nullptr;
  std::tuple<bool, size_t, bool> bestRank{};
  for (const DesktopEntry* e : entries) {
    if (e->executable.empty() || (e->executable != process.executable && e->executable != process.command))
      continue;
    const bool fits = argumentsFit(e->arguments, 0, process.arguments, 0);
    const size_t literals = fits ? static_cast<size_t>(std::count_if(e->arguments.begin(), e->arguments.end(),
                                                                     [](const std::string& a) {
                                                                       return !fieldCodeWords(a);
                                                                     }))
                                 : 0;
    const std::tuple<bool, size_t, bool> rank{fits, literals, e->shownInMenus && !e->settings};
    if (!best || rank > bestRank) {
      best = e;
      bestRank = rank;
    }
  }
  return best;
}

// Whether the text has one of the words (the empty word never counts), or has escapes that
// could spell one: backslashes, or with quotes too for a command line.
bool mayName(const std::string& text, const std::vector<std::string>& words, const char* escapes) {
  if (text.find_first_of(escapes) != std::string::npos) return true;
  return std::any_of(words.begin(), words.end(),
                     [&](const std::string& w) { return !w.empty() && text.find(w) != std::string::npos; });
}

}  // namespace

std::optional<std::string> fileText(const std::string& path) {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return std::nullopt;
  std::string text(contents, length);
  g_free(contents);
  return text;
}

std::string bundleIdentifier(const DesktopEntry& entry) {
  const std::string suffix = ".desktop";
  return entry.id.ends_with(suffix) ? entry.id.substr(0, entry.id.size() - suffix.size()) : entry.id;
}

std::string programName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const DesktopEntry* matchDesktopEntry(const std::vector<DesktopEntry>& entries,
                                      const ProcessIdentity& process) {
  for (const Rule& rule : rules(process)) {
    auto it = std::find_if(entries.begin(), entries.end(), rule.matches);
    if (it != entries.end()) return &*it;
  }
  std::vector<const DesktopEntry*> all;
  for (const DesktopEntry& e : entries) all.push_back(&e);
  return bestOfProgram(all, process);
}

struct DesktopFiles::File {
  std::string id, path;
  std::optional<std::optional<std::string>> text;
  std::optional<std::optional<DesktopEntry>> entry;
};

DesktopFiles::DesktopFiles(const std::map<std::string, std::string>& pathsById) {
  for (const auto& [id, path] : pathsById) files_.push_back(File{id, path, std::nullopt, std::nullopt});
}

DesktopFiles::~DesktopFiles() = default;

const std::optional<std::string>& DesktopFiles::text(File& file) {
  if (!file.text) file.text = fileText(file.path);
  return *file.text;
}

const DesktopEntry* DesktopFiles::entry(File& file) {
  if (!file.entry) {
    const auto& contents = text(file);
    file.entry = contents ? readEntry(file.id, file.path, *contents) : std::nullopt;
  }
  return *file.entry ? &**file.entry : nullptr;
}

void DesktopFiles::readAll() {
  for (File& file : files_) text(file);
}

const std::vector<DesktopEntry>& DesktopFiles::all() {
  if (!all_) {
    all_.emplace();
    for (File& file : files_)
      if (const DesktopEntry* e = entry(file)) all_->push_back(*e);
  }
  return *all_;
}

// The rules read an entry's id and path, and at most one key besides, whose value is written out
// literally in a file without backslashes (the key file's escapes): a file that names neither
// the key nor a value it would need cannot match, so it is not parsed. The program rule compares
// the base name of the Exec program, likewise written out in a file without backslashes or
// quotes (the command line's).
const DesktopEntry* DesktopFiles::match(const ProcessIdentity& process) {
  for (const Rule& rule : rules(process)) {
    for (File& file : files_) {
      DesktopEntry named;
      named.id = file.id;
      named.path = file.path;
      const auto& contents = text(file);
      const bool possible = rule.key ? contents && contents->find(rule.key) != std::string::npos &&
                                           mayName(*contents, rule.values, "\\")
                                     : rule.matches(named);
      if (const DesktopEntry* e = possible ? entry(file) : nullptr; e && rule.matches(*e)) return e;
    }
  }
  std::vector<const DesktopEntry*> candidates;
  for (File& file : files_) {
    const auto& contents = text(file);
    if (!contents || !mayName(*contents, {process.executable, process.command}, "\\\"'")) continue;
    if (const DesktopEntry* e = entry(file)) candidates.push_back(e);
  }
  return bestOfProgram(candidates, process);
}

DesktopFiles& installedDesktopFiles() {
  static DesktopFiles files = [] {
    // A file in an earlier directory shadows the files of the same id in later ones, even
    // when it is hidden or no application.
    std::map<std::string, std::string> pathsById;
    for (const std::string& dir : applicationDirectories()) {
      std::map<std::string, std::string> inDir;
      collectDesktopFiles(dir, "", inDir);
      pathsById.merge(inDir);
    }
    return DesktopFiles(pathsById);
  }();
  return files;
}

const std::vector<DesktopEntry>& installedDesktopEntries() { return installedDesktopFiles().all(); }

std::optional<DesktopEntry> desktopEntryWithId(const std::string& id) {
  const auto& entries = installedDesktopEntries();
  auto it = std::find_if(entries.begin(), entries.end(), [&](const DesktopEntry& e) { return e.id == id; });
  if (it == entries.end()) return std::nullopt;
  return *it;
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
