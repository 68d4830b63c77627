#include "platform/linux/desktop_entries.h"

#include <gtest/gtest.h>

namespace platform::linux_desktop {
namespace {

DesktopEntry entry(std::string id, std::string wmClass, std::string executable) {
  return DesktopEntry{std::move(id), "", "", std::move(wmClass), std::move(executable), true};
}

const DesktopEntry* match(const std::vector<DesktopEntry>& entries, ProcessIdentity process) {
  return matchDesktopEntry(entries, process);
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

TEST(DesktopEntryMatch, EmptyFieldsNeverMatchEachOther) {
  // A window without WM_CLASS and a process whose names cannot be read match nothing,
  // although entries leave StartupWMClass and sometimes Exec empty.
  const std::vector<DesktopEntry> entries = {entry(".desktop", "", ""), entry("a.desktop", "", "")};
  EXPECT_EQ(match(entries, {"", "", "", "", ""}), nullptr);
  // StartupWMClass is compared exactly; only desktop ids ignore case.
  EXPECT_EQ(match({entry("z.desktop", "Editor", "")}, {"editor", "EDITOR", "", "", ""}), nullptr);
}

}  // namespace
}  // namespace platform::linux_desktop
