#include "apps/running.h"

#include <gtest/gtest.h>

#include "cli/run_for_test.h"

namespace dorv {
namespace {

using platform::ActivationPolicy;
using platform::scripted::ScriptedDesktop;

int32_t pidOf(const std::string& name) {
  auto app = runningApp(name);
  return app ? app->processIdentifier : -1;
}

TEST(AppResolution, PidThenExactBundleIdThenNameIgnoringCase) {
  ScriptedDesktop desktop;
  desktop.workspace.add(123, "Safari", "com.apple.Safari");
  desktop.workspace.add(200, "123", "com.example.digits");
  desktop.workspace.add(300, "com.apple.safari", "org.other");
  desktop.workspace.add(400, "Safari", "com.second.Safari");
  desktop.workspace.add(500, "Agent", "com.example.agent", ActivationPolicy::accessory);

  EXPECT_EQ(pidOf("123"), 123);   // a pid beats a name made of the same digits
  EXPECT_EQ(pidOf("+123"), 123);
  EXPECT_EQ(pidOf("999"), -1);    // no such process, and nothing named so
  EXPECT_EQ(pidOf("com.apple.Safari"), 123);
  EXPECT_EQ(pidOf("com.apple.safari"), 300);  // not a bundle id in this case, but a name
  EXPECT_EQ(pidOf("SAFARI"), 123);            // the first of two equal names
  EXPECT_EQ(pidOf("safari"), 123);
  EXPECT_EQ(pidOf("Safar"), -1);
  EXPECT_EQ(pidOf("agent"), 500);             // accessory applications resolve too
  EXPECT_EQ(pidOf("500"), 500);
}

TEST(AppResolution, FullUnicodeCaseFoldingAndCanonicalEquivalence) {
  ScriptedDesktop desktop;
  desktop.workspace.add(1, "Éditeur");              // precomposed
  desktop.workspace.add(2, "Straße");
  desktop.workspace.add(3, "ΣΟΦΙΑ");
  auto& unnamed = desktop.workspace.add(4, "");
  unnamed.localizedName.reset();

  EXPECT_EQ(pidOf("e\xCC\x81" "DITEUR"), 1);         // decomposed é
  EXPECT_EQ(pidOf("STRASSE"), -1);                   // lowercasing, not case folding to "ss"
  EXPECT_EQ(pidOf("straße"), 2);
  EXPECT_EQ(pidOf("σοφια"), 3);
  EXPECT_EQ(pidOf(""), -1);
}

TEST(AppResolution, NoMatchFailsNamingTheArgumentExactly) {
  ScriptedDesktop desktop;
  auto result = runProgram(desktop, {"windows", "Safar \"x\""});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Json::parse(result.output),
            (Json{{"ok", false}, {"frontmost", "?"}, {"error", "No running app matches \"Safar \"x\"\". Run `apps` to list them."}}));
  result = runProgram(desktop, {"windows"});
  EXPECT_EQ(Json::parse(result.output)["error"], "windows needs an app");
}

TEST(Listing, AppsShowsRegularApplicationsWithTheirWindowCounts) {
  ScriptedDesktop desktop;
  auto& notes = desktop.workspace.add(7, "Notes", "org.notes");
  notes.bundlePath = "/usr/share/applications/org.notes.desktop";
  desktop.workspace.add(8, "Agent", "org.agent", ActivationPolicy::accessory);
  auto& bare = desktop.workspace.add(9, "Bare");
  bare.bundleIdentifier.reset();
  desktop.windowServer.addWindow(7, 70, {{-100.5, 99.9}, {640, 480}}, "Note \"1\"", true);
  desktop.windowServer.addWindow(7, 71, {{0, 0}, {40, 40}});
  desktop.windowServer.addWindow(8, 80, {{0, 0}, {300, 300}});
  desktop.workspace.frontmostPid = 7;

  auto apps = Json::parse(runProgram(desktop, {"apps", "ignored"}).output);
  EXPECT_EQ(apps, (Json{{"ok", true},
                        {"frontmost", "Notes"},
                        {"apps", {{{"pid", 7}, {"name", "Notes"}, {"bundleId", "org.notes"},
                                   {"path", "/usr/share/applications/org.notes.desktop"}, {"windows", 1}},
                                  {{"pid", 9}, {"name", "Bare"}, {"bundleId", ""}, {"path", ""}, {"windows", 0}}}}}));

  auto windows = Json::parse(runProgram(desktop, {"windows", "notes", "extra"}).output);
  EXPECT_EQ(windows, (Json{{"ok", true},
                           {"frontmost", "Notes"},
                           {"app", "Notes"},
                           {"windows", {{{"id", 70}, {"title", "Note \"1\""}, {"onScreen", true},
                                         {"frame", {-100, 99, 640, 480}}}}}}));
  EXPECT_EQ(Json::parse(runProgram(desktop, {"windows", "8"}).output)["windows"].size(), 1u);
  EXPECT_EQ(Json::parse(runProgram(desktop, {"windows", "9"}).output)["windows"], Json::array());
}

}  // namespace
}  // namespace dorv
