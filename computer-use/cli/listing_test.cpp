#include <gtest/gtest.h>

#include "cli/run_for_test.h"
#include "core/result.h"

namespace dorv {
namespace {

using platform::ActivationPolicy;
using platform::scripted::ScriptedDesktop;

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
