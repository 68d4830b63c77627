#include "apps/launch.h"

#include <gtest/gtest.h>

#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::scripted::ScriptedDesktop;

TEST(ApplicationURL, RunningAppAloneThenBundleIdentifierThenDirectoriesInOrder) {
  ScriptedDesktop desktop;
  auto& ws = desktop.workspace;
  ws.directories = {"/opt/apps", "/usr/share/applications/"};
  ws.extension = ".desktop";
  desktop.system.directories = {"/opt/apps/Editor.desktop", "/usr/share/applications/Editor.desktop",
                                "/usr/share/applications/Viewer.desktop", "/opt/apps/Runner.desktop"};
  ws.installedBundles["org.example.Editor"] = "/usr/share/applications/org.example.Editor.desktop";
  EXPECT_EQ(applicationURL("Editor"), "/opt/apps/Editor.desktop");
  EXPECT_EQ(applicationURL("Viewer"), "/usr/share/applications/Viewer.desktop");
  EXPECT_EQ(applicationURL("org.example.Editor"), "/usr/share/applications/org.example.Editor.desktop");
  EXPECT_EQ(applicationURL("viewer"), std::nullopt);
  // A running application without a bundle hides the installed one.
  ws.add(31, "Runner");
  EXPECT_EQ(applicationURL("Runner"), std::nullopt);
  // A name never becomes a path, even to a bundle that exists there.
  desktop.system.directories.insert("/opt/x.desktop");
  EXPECT_EQ(applicationURL("../x"), std::nullopt);
  EXPECT_EQ(applicationURL("../../../opt/x"), std::nullopt);
}

TEST(ApplicationURL, AfterTheFileNamesTheNameMenusShowIgnoringCaseFirstBundleInOrder) {
  ScriptedDesktop desktop;
  auto& ws = desktop.workspace;
  ws.directories = {"/usr/share/applications"};
  ws.extension = ".desktop";
  desktop.system.directories = {"/usr/share/applications/Text Editor.desktop"};
  ws.installed = {{"/usr/share/applications/org.example.Calc.desktop", {"Rechner", "Calculator"}},
                  {"/usr/share/applications/org.example.Editor.desktop", {"Text Editor"}},
                  {"/usr/share/applications/org.other.Calc.desktop", {"Calculator"}},
                  {"/usr/share/applications/org.example.Cafe.desktop", {"Cafe\u0301"}}};
  EXPECT_EQ(applicationURL("calculator"), "/usr/share/applications/org.example.Calc.desktop");
  EXPECT_EQ(applicationURL("RECHNER"), "/usr/share/applications/org.example.Calc.desktop");
  EXPECT_EQ(applicationURL("CAFÉ"), "/usr/share/applications/org.example.Cafe.desktop");
  // A file of that name comes first.
  EXPECT_EQ(applicationURL("Text Editor"), "/usr/share/applications/Text Editor.desktop");
  EXPECT_EQ(applicationURL("Calc"), std::nullopt);
}

TEST(WebURL, HTTPForBareHostsAndPortsSchemesKeptInvalidRefused) {
  ScriptedDesktop desktop;
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"example.com/a?b#c", "http://example.com/a?b#c"},
      {"example.com:8080", "http://example.com:8080"},
      {"localhost:3000", "http://localhost:3000"},
      {"[::1]:8000", "http://[::1]:8000"},
      {"münchen.de", "http://münchen.de"},
      {"mailto:a@example.com", "mailto:a@example.com"},
      {"https:", "https:"},
      {"x:1abc", std::nullopt},
      {"example.com:99999", std::nullopt},
      {"hello world", std::nullopt},
      {"https://a b", std::nullopt},
      {"100%", std::nullopt},
      // No host to go to.
      {"", std::nullopt},
      {"?q=1", std::nullopt}};
  for (const auto& [s, url] : cases) EXPECT_EQ(webURL(s), url) << s;
}

TEST(TargetURL, PathsBecomeFileURLsExistingOrNotOthersGoToTheWeb) {
  ScriptedDesktop desktop;
  desktop.system.files["/home/user/work/example.com"] = "";
  desktop.system.otherHomes["ann"] = "/srv/ann";
  EXPECT_EQ(targetURL("~/Report 1.pdf"), "file:///home/user/Report%201.pdf");
  EXPECT_EQ(targetURL("~ann/notes.txt"), "file:///srv/ann/notes.txt");
  EXPECT_EQ(targetURL("~ann"), "file:///srv/ann");
  // No such user: the name stays, relative to the current directory, as the shell leaves it.
  EXPECT_EQ(targetURL("~nobody-here/a"), "file:///home/user/work/~nobody-here/a");
  EXPECT_EQ(targetURL("/nowhere"), "file:///nowhere");
  EXPECT_EQ(targetURL("../draft.md"), "file:///home/user/draft.md");
  EXPECT_EQ(targetURL("example.com"), "file:///home/user/work/example.com");
  EXPECT_EQ(targetURL("example.org"), "http://example.org");
  EXPECT_EQ(targetURL(""), std::nullopt);
}

}  // namespace
}  // namespace dorv
