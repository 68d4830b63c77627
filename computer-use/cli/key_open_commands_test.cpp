#include "cli/key_open_commands.h"

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "core/paths.h"
#include "core/result.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using namespace platform;

// The user works in Front; Editor, with one window, and Viewer, installed, are behind it.
struct KeyAndOpen : ::testing::Test {
  scripted::ScriptedDesktop desktop;
  RunningApplication viewer{30, "org.example.Viewer", "Viewer", "/apps/org.example.Viewer.desktop"};

  KeyAndOpen() {
    auto& ws = desktop.workspace;
    ws.add(10, "Front");
    ws.add(20, "Editor").bundlePath = "/apps/editor.desktop";
    ws.frontmostPid = 10;
    ws.installedBundles["org.example.Viewer"] = *viewer.bundlePath;
    desktop.windowServer.addWindow(20, 200, {{100, 50}, {800, 600}});
    auto& ax = desktop.accessibility;
    AXUIElement window = ax.make("window", {{"AXRole", Value("AXWindow")}});
    ax.node(window).windowNumber = 200;
    ax.node(ax.application(20)).attributes["AXMainWindow"] = Value(window);
  }
  ~KeyAndOpen() override {
    previousFront.reset();
    stoleFocus = false;
  }

  // A handler run as dispatch runs it, once the command word is gone.
  Json run(void (*handler)(), std::vector<std::string> words, int status = 0) {
    args = std::move(words);
    stoleFocus = false;
    previousFront = desktop.workspace.runningApplication(10);
    desktop.system.standardOutput.clear();
    desktop.log.clear();
    try {
      handler();
      EXPECT_EQ(status, 0);
    } catch (const scripted::ExitCalled& e) {
      EXPECT_EQ(e.status, status);
    }
    Json result = Json::parse(desktop.system.standardOutput);
    result.erase("frontmost");
    return result;
  }
  std::string error(void (*handler)(), std::vector<std::string> words) {
    return run(handler, words, 1)["error"];
  }
};

TEST_F(KeyAndOpen, KeyPostsTheChordAndEchoesItAsTypedGivingTheFrontBack) {
  EXPECT_EQ(run(keyCommand, {"editor", "CMD+Shift+T", "more"}),
            (Json{{"ok", true}, {"pressed", "CMD+Shift+T"}}));
  EXPECT_EQ(desktop.log.starting("postToPid"), std::vector<std::string>(2, "postToPid 20"));
  EXPECT_EQ(desktop.events.posted.front().flags, 0x120000u);
  EXPECT_TRUE(desktop.system.fileExists(activityPath));
  desktop.workspace.frontmostPid = 20;
  EXPECT_EQ(run(keyCommand, {"Editor", "a"})["stoleFocus"], true);
}

TEST_F(KeyAndOpen, KeyFailuresPostAndRecordNothing) {
  EXPECT_EQ(error(keyCommand, {"Editor"}), "key needs an app and a chord");
  EXPECT_TRUE(desktop.log.starting("runningApplications").empty());
  EXPECT_EQ(error(keyCommand, {"Editor", "Cmd+F1"}), "Unknown key in \"Cmd+F1\"");
  EXPECT_EQ(error(keyCommand, {"Editor", "hyper+F1"}), "Unknown modifier \"hyper\"");
  EXPECT_TRUE(desktop.events.posted.empty());
  EXPECT_FALSE(desktop.system.fileExists(activityPath));
}

TEST_F(KeyAndOpen, OpenReportsTheTargetAsGivenOrTheBundleOrThatTheAppRuns) {
  EXPECT_EQ(run(openCommand, {"Editor"}),
            (Json{{"ok", true}, {"opened", "already running"}, {"app", "Editor"}, {"pid", 20}}));
  EXPECT_TRUE(desktop.log.starting("open").empty());

  desktop.workspace.openOutcome = OpenOutcome{viewer, std::nullopt};
  EXPECT_EQ(run(openCommand, {"Editor", "example.org", "more"}),
            (Json{{"ok", true}, {"opened", "example.org"}, {"app", "Viewer"}, {"pid", 30}}));
  EXPECT_EQ(desktop.log.starting("open"),
            (std::vector<std::string>{"openURLs http://example.org with /apps/editor.desktop background"}));
  EXPECT_EQ(run(openCommand, {"org.example.Viewer"})["opened"], "org.example.Viewer.desktop");
  EXPECT_EQ(desktop.log.starting("open"),
            (std::vector<std::string>{"openApplication /apps/org.example.Viewer.desktop background"}));

  // The launched application took the front anyway.
  desktop.workspace.apps.push_back(viewer);
  desktop.workspace.frontmostPid = 30;
  EXPECT_EQ(run(openCommand, {"Viewer", "~/a.txt"})["stoleFocus"], true);
  EXPECT_EQ(desktop.log.starting("activate"), (std::vector<std::string>{"activate 10"}));

  desktop.workspace.openOutcome = OpenOutcome{};
  EXPECT_EQ(run(openCommand, {"Editor", "/tmp/x"}),
            (Json{{"ok", true}, {"opened", "/tmp/x"}, {"app", ""}, {"pid", 0}}));
}

TEST_F(KeyAndOpen, OpenFailures) {
  desktop.workspace.openOutcome = OpenOutcome{std::nullopt, "No such program."};
  EXPECT_EQ(error(openCommand, {}), "open needs an app");
  EXPECT_EQ(error(openCommand, {"Nothing", "https://example.org"}),
            "No app matches \"Nothing\". Run `apps` to list running ones.");
  EXPECT_EQ(error(openCommand, {"Editor", "not a url"}),
            "\"not a url\" isn't a URL or a file path. Pass a full URL, like https://example.com.");
  EXPECT_TRUE(desktop.log.starting("open").empty());
  EXPECT_EQ(error(openCommand, {"org.example.Viewer"}), "Couldn't open: No such program.");
  desktop.workspace.openOutcome.reset();
  EXPECT_EQ(error(openCommand, {"org.example.Viewer"}),
            "org.example.Viewer.desktop didn't answer within 15 seconds");
  EXPECT_EQ(desktop.log.starting("wait"), (std::vector<std::string>{"wait 15.000000"}));
}

}  // namespace
}  // namespace dorv
