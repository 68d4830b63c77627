#pragma once
// Installed desktop entries (the Linux counterpart of application bundles), read from the XDG
// application directories, and the rule that finds a running process's entry.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::linux_desktop {

struct DesktopEntry {
  // The desktop-file id, such as "org.gnome.Calculator.desktop".
  std::string id;
  std::string name;
  std::string path;
  std::string startupWMClass;
  // The base name of the program the entry runs.
  std::string executable;
  bool shownInMenus = false;
  // The words of its Exec line after the program, field codes such as "%U" included.
  std::vector<std::string> arguments;
  // A settings dialog of an application (its categories hold "Settings").
  bool settings = false;
  // The Name key without localisation (`name` is the localised one).
  std::string plainName;
};

// What a running process shows of itself; "" for what is unknown.
struct ProcessIdentity {
  std::string wmInstance;
  std::string wmClass;
  // Base names of the program file and of the first command-line word.
  std::string executable;
  std::string command;
  // The path of the desktop file the process was launched from.
  std::string launchedDesktopFile;
  // The command-line words after the first.
  std::vector<std::string> arguments;
  // What the toolkit of its windows names as their desktop-file id, without ".desktop":
  // _GTK_APPLICATION_ID (GApplication's id) and _KDE_NET_WM_DESKTOP_FILE.
  std::string applicationId;
  std::string kdeDesktopFile;
};

// The bundle identifier of an entry: its desktop-file id without ".desktop".
std::string bundleIdentifier(const DesktopEntry& entry);

// The base name of a program path ("" stays "").
std::string programName(const std::string& path);

// The whole contents of a file (a desktop file, a /proc file), or none when it cannot be read.
std::optional<std::string> fileText(const std::string& path);

// The entry of a process, as desktop shells decide it: the id its windows' toolkit names, then
// the file it was launched from, then StartupWMClass equal to either half of WM_CLASS, then a
// desktop-file id equal to either half ignoring ASCII case, then the last component of a
// reverse-domain id equal to either half, then the program's base name; none otherwise.
// Within each rule the first entry in order wins, except that among entries of one program
// those whose Exec arguments fit the process's command line come first (the more literal words
// they match, the earlier), then those shown in menus that are no settings dialog.
const DesktopEntry* matchDesktopEntry(const std::vector<DesktopEntry>& entries,
                                      const ProcessIdentity& process);

// Desktop files by id, each read and parsed once, when first needed.
class DesktopFiles {
 public:
  explicit DesktopFiles(const std::map<std::string, std::string>& pathsById);
  ~DesktopFiles();
  // Reads every file now, ahead of the matching that will want them.
  void readAll();
  // The application entries among the files, ordered by id.
  const std::vector<DesktopEntry>& all();
  // matchDesktopEntry(all(), process), parsing only the files that its rules could pick.
  const DesktopEntry* match(const ProcessIdentity& process);

 private:
  struct File;
  const std::optional<std::string>& text(File& file);
  const DesktopEntry* entry(File& file);
  std::vector<File> files_;
  std::optional<std::vector<DesktopEntry>> all_;
};

// The files of the application directories; listed once per run.
DesktopFiles& installedDesktopFiles();
// Every installed application entry, ordered by id.
const std::vector<DesktopEntry>& installedDesktopEntries();

// The entry with that desktop-file id, or none.
std::optional<DesktopEntry> desktopEntryWithId(const std::string& id);

// The XDG application directories: the user's, then the system's, in XDG order.
std::vector<std::string> applicationDirectories();

}  // namespace platform::linux_desktop
