#include "platform/linux/desktop_entries.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <array>
#include <filesystem>
#include <fstream>

namespace platform::linux_desktop {
namespace {

DesktopEntry entry(std::string id, std::string wmClass, std::string executable) {
  DesktopEntry e;
  e.id = std::move(id);
  e.startupWMClass = std::move(wmClass);
  e.executable = std::move(executable);
  e.shownInMenus = true;
  return e;
}

// WM_CLASS instance and class, program file, first command-line word, launched-from file.
using Names = std::array<std::string, 5>;

ProcessIdentity identity(const Names& n) {
  ProcessIdentity p;
  p.wmInstance = n[0];
  p.wmClass = n[1];
  p.executable = n[2];
  p.command = n[3];
  p.launchedDesktopFile = n[4];
  return p;
}

const DesktopEntry* matchProcess(const std::vector<DesktopEntry>& entries, const ProcessIdentity& process) {
  return matchDesktopEntry(entries, process);
}
const DesktopEntry* match(const std::vector<DesktopEntry>& entries, const Names& names) {
  return matchDesktopEntry(entries, identity(names));
}

TEST(DesktopEntryMatch, RulesApplyInPrecedenceOrderNotListOrder) {
  const std::vector<DesktopEntry> entries = {
      entry("by-exe.desktop", "", "editor"),
      entry("editor.desktop", "", "other"),
      entry("org.example.Editor.desktop", "Editor", "editor-bin"),
  };
  // StartupWMClass beats a desktop id equal to the instance and an executable match.
  EXPECT_EQ(match(entries, {"editor", "Editor", "editor", "editor", ""})->id, "org.example.Editor.desktop");
  // Without a StartupWMClass match the id (ignoring ASCII case) beats the executable.
  EXPECT_EQ(match(entries, {"EDITOR", "Nothing", "editor", "", ""})->id, "editor.desktop");
  // The executable, by program file or by first command-line word.
  EXPECT_EQ(match(entries, {"x", "X", "editor", "", ""})->id, "by-exe.desktop");
  EXPECT_EQ(match(entries, {"x", "X", "python3", "editor", ""})->id, "by-exe.desktop");
}

TEST(DesktopEntryMatch, TheFileAProcessWasLaunchedFromWinsOverEntriesOfTheSameProgram) {
  std::vector<DesktopEntry> entries = {entry("a-viewer.desktop", "", "viewer"),
                                       entry("b-viewer.desktop", "", "viewer")};
  entries[1].path = "/usr/share/applications/b-viewer.desktop";
  EXPECT_EQ(match(entries, {"x", "X", "viewer", "", ""})->id, "a-viewer.desktop");
  EXPECT_EQ(match(entries, {"x", "X", "viewer", "", entries[1].path})->id, "b-viewer.desktop");
}

DesktopEntry runs(std::string id, std::vector<std::string> arguments, bool shown = true,
                  bool settings = false) {
  DesktopEntry e = entry(std::move(id), "", "editor");
  e.arguments = std::move(arguments);
  e.shownInMenus = shown;
  e.settings = settings;
  return e;
}

ProcessIdentity editorProcess(std::vector<std::string> arguments) {
  ProcessIdentity p = identity({"x", "X", "editor", "editor", ""});
  p.arguments = std::move(arguments);
  return p;
}

TEST(DesktopEntryMatch, EntriesOfOneProgramAreToldApartByTheCommandLineThenByTheMenus) {
  // "-settings" sorts before ".desktop": the settings entry comes first in id order.
  const std::vector<DesktopEntry> two = {
      runs("org.example.editor-settings.desktop", {"--preferences"}, true, true),
      runs("org.example.editor.desktop", {"%U"}),
  };
  EXPECT_EQ(matchProcess(two, editorProcess({}))->id, "org.example.editor.desktop");
  EXPECT_EQ(matchProcess(two, editorProcess({"a.txt", "b.txt"}))->id, "org.example.editor.desktop");
  EXPECT_EQ(matchProcess(two, editorProcess({"--preferences"}))->id, "org.example.editor-settings.desktop");
  // Neither fits: the entry shown in menus that is no settings dialog.
  EXPECT_EQ(matchProcess(two, editorProcess({"--new-window", "a.txt"}))->id, "org.example.editor.desktop");

  const std::vector<DesktopEntry> three = {
      runs("a-editor-hidden.desktop", {"%F"}, false),
      runs("b-editor-single.desktop", {"--single", "%f"}),
      runs("c-editor.desktop", {"%F"}),
  };
  // A hidden entry fits as well as a shown one: the shown one wins.
  EXPECT_EQ(matchProcess(three, editorProcess({"a.txt"}))->id, "c-editor.desktop");
  EXPECT_EQ(matchProcess(three, editorProcess({"--single", "a.txt"}))->id, "b-editor-single.desktop");
  // %f stands for one file at most.
  EXPECT_EQ(matchProcess(three, editorProcess({"--single", "a.txt", "b.txt"}))->id, "c-editor.desktop");
  EXPECT_EQ(matchProcess(three, editorProcess({"--single"}))->id, "b-editor-single.desktop");
}

TEST(DesktopEntryMatch, ToolkitIdsComeFirstAndClassesMatchReverseDomainIds) {
  const std::vector<DesktopEntry> entries = {
      runs("org.example.editor-settings.desktop", {"--preferences"}, true, true),
      entry("org.example.Editor.desktop", "Editor", "editor"),
      entry("org.example.Viewer.desktop", "", "viewer"),
  };
  ProcessIdentity settings = editorProcess({"--preferences"});
  settings.applicationId = "org.example.editor-settings";
  EXPECT_EQ(matchProcess(entries, settings)->id, "org.example.editor-settings.desktop");
  ProcessIdentity kde = identity({"x", "X", "", "", ""});
  kde.kdeDesktopFile = "org.example.Viewer";
  EXPECT_EQ(matchProcess(entries, kde)->id, "org.example.Viewer.desktop");
  // An id the toolkit names but no entry has falls through to the other rules.
  ProcessIdentity unknown = identity({"viewer", "Viewer", "", "", ""});
  unknown.applicationId = "org.example.Gone";
  EXPECT_EQ(matchProcess(entries, unknown)->id, "org.example.Viewer.desktop");
  EXPECT_EQ(match(entries, {"VIEWER", "", "", "", ""})->id, "org.example.Viewer.desktop");
}

TEST(DesktopEntryMatch, EmptyFieldsNeverMatchEachOther) {
  // A window without WM_CLASS and a process whose names cannot be read match nothing,
  // although entries leave StartupWMClass and sometimes Exec empty.
  const std::vector<DesktopEntry> entries = {entry(".desktop", "", ""), entry("a.desktop", "", "")};
  EXPECT_EQ(match(entries, {"", "", "", "", ""}), nullptr);
  // StartupWMClass is compared exactly; only desktop ids ignore case.
  EXPECT_EQ(match({entry("z.desktop", "Editor", "")}, {"editor", "EDITOR", "", "", ""}), nullptr);
}

// Reading only the files a rule could pick gives the entry that the rules give over all of them:
// programs named through quotes or escapes, entries that are hidden or no application, the key
// one rule reads, and several rules that each have candidates.
TEST(DesktopEntryMatch, InstalledFilesGiveTheEntryOfTheWholeList) {
  char dirName[] = "/tmp/desktop-files-XXXXXX";
  ASSERT_NE(mkdtemp(dirName), nullptr);
  const std::filesystem::path dir = dirName;
  const std::map<std::string, std::string> contents = {
      {"a.desktop", "[Desktop Entry]\nType=Application\nName=A\nExec=t\"ru\"e %U\n"},
      {"b.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=true --x\nStartupWMClass=Bee\n"},
      {"c.desktop", "[Desktop Entry]\nType=Link\nName=C\nExec=true\nStartupWMClass=Bee\n"},
      {"bf.desktop", "[Desktop Entry]\nType=Application\nName=F\nExec=true\nStartupWMClass=Be\\se\n"},
      {"d.desktop", "[Desktop Entry]\nType=Application\nName=D\nExec=sh\nHidden=true\n"},
      {"e.desktop", "[Desktop Entry]\nType=Application\nName=E\nExec=s\\\\h -c x\nNoDisplay=true\n"},
      {"org.example.Tool.desktop", "[Desktop Entry]\nType=Application\nName=Tool\nExec=env\n"},
      {"tool.desktop", "[Desktop Entry]\nType=Application\nName=tool\nExec=no-such-program-here\n"},
  };
  std::map<std::string, std::string> paths;
  for (const auto& [id, text] : contents) {
    paths[id] = (dir / id).string();
    std::ofstream(paths[id]) << text;
  }
  std::vector<ProcessIdentity> processes = {
      identity({"", "", "true", "", ""}),         identity({"", "", "true", "true", ""}),
      identity({"bee", "Bee", "", "", ""}),       identity({"tool", "Tool", "env", "", ""}),
      identity({"", "Be e", "", "", ""}),
      identity({"", "", "sh", "sh", ""}),         identity({"", "", "", "", paths["b.desktop"]}),
      identity({"", "", "", "", paths["c.desktop"]}), identity({"x", "X", "", "", ""}),
  };
  processes[1].arguments = {"--x"};
  ProcessIdentity byId = identity({"", "", "sh", "", ""});
  byId.applicationId = "d";
  processes.push_back(byId);
  byId.applicationId = "a";
  processes.push_back(byId);
  DesktopFiles files(paths);
  const std::vector<DesktopEntry>& all = files.all();
  ASSERT_EQ(all.size(), 5u);
  for (const ProcessIdentity& process : processes) {
    DesktopFiles fresh(paths);
    const DesktopEntry* whole = matchDesktopEntry(all, process);
    const DesktopEntry* lazy = fresh.match(process);
    EXPECT_EQ(lazy ? lazy->id : "none", whole ? whole->id : "none")
        << process.wmClass << " " << process.executable << " " << process.applicationId;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace platform::linux_desktop
