// The screenshot, click, drag and focus commands on a scripted application with one window.

#include <gtest/gtest.h>

#include <algorithm>

#include "capture/capture.h"
#include "core/run_state.h"
#include "core/paths.h"
#include "core/result.h"
#include "cli/run_for_test.h"

namespace dorv {
namespace {

using namespace platform;

class ActingCommands : public ::testing::Test {
 protected:
  static constexpr int32_t pid = 30;
  scripted::ScriptedDesktop desktop;
  scripted::ScriptedAccessibility& ax = desktop.accessibility;
  RunningApplication app = desktop.workspace.add(pid, "Notes");
  AXUIElement application = ax.application(pid);
  AXUIElement window = ax.make("window", "AXWindow", {{100, 200}, {400, 300}});
  AXUIElement group = ax.make("group", "AXGroup", {{100, 200}, {400, 300}});
  AXUIElement save = ax.make("save", "AXButton", {{110, 210}, {80, 20}}, {"AXPress"});
  AXUIElement saveLabel = ax.make("saveLabel", "AXStaticText", {{112, 212}, {30, 10}});
  AXUIElement tab = ax.make("tab", "AXRadioButton", {{200, 210}, {60, 20}});
  AXUIElement field = ax.make("field", "AXTextField", {{110, 250}, {200, 20}});

  void SetUp() override {
    ax.node(window).windowNumber = 7;
    ax.node(application).attributes["AXWindows"] = Value(Array{Value(window)});
    ax.node(application).attributes["AXMainWindow"] = Value(window);
    desktop.windowServer.addWindow(pid, 7, {{100, 200}, {400, 300}}, "Doc", true);
    ax.append(application, window);
    ax.append(window, group);
    ax.append(group, save);
    ax.append(save, saveLabel);
    ax.append(group, tab);
    ax.append(group, field);
    ax.node(save).attributes["AXTitle"] = Value("Save");
    ax.node(tab).attributes["AXTitle"] = Value("Tab");
    ax.node(tab).settable.insert("AXSelected");
    ax.node(field).settable.insert("AXFocused");
    for (auto e : {window, group, save, saveLabel, tab, field}) ax.node(e).windowNumber = 7;
    desktop.privateFramework.provideEventChannel();
    desktop.capture.windows[7] = {400, 300};
  }

  Json answer(std::vector<std::string> words, int expectedStatus = 0) {
    auto result = runProgram(desktop, words);
    EXPECT_EQ(result.status, expectedStatus) << result.output;
    return Json::parse(result.output);
  }
  size_t eventsPosted() const { return desktop.privateFramework.posted.size(); }
};

TEST_F(ActingCommands, ScreenshotReportsTheImageTheNumberedElementsAndTheTexts) {
  ax.node(saveLabel).attributes["AXValue"] = Value("Save it");
  auto result = answer({"screenshot", "--out", "shots/w.png", "notes"});
  EXPECT_EQ(result["png"], "shots/w.png");  // exactly as written
  EXPECT_EQ(result["window"], 7);
  EXPECT_EQ(result["title"], "Doc");
  EXPECT_EQ(result["size"], Json::array({400, 300}));
  ASSERT_EQ(result["elements"].size(), 3u);
  EXPECT_EQ(result["elements"][0], "[0] Button \"Save\" @50,20");
  EXPECT_EQ(desktop.log.starting("rename shots/w.png.").size(), 1u);
  // One image serves the screenshot and the preview frame, which is in place before the
  // activity names the window.
  EXPECT_EQ(desktop.log.starting("capture ").size(), 1u);
  const auto& calls = desktop.log.calls;
  auto renamed = [&](const std::string& path) {
    return std::find_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.rfind("rename ", 0) == 0 && c.size() > path.size() &&
             c.compare(c.size() - path.size(), path.size(), path) == 0;
    });
  };
  ASSERT_NE(renamed(framePath(7)), calls.end());
  EXPECT_LT(renamed(framePath(7)), renamed(activityPath));

  result = answer({"screenshot", "Notes"});
  EXPECT_EQ(result["png"], "/home/user/.dorv/computer-use/screenshot-7.png");
  EXPECT_TRUE(desktop.system.fileExists(activityPath));
}

TEST_F(ActingCommands, AScreenshotThatCapturesNothingAsksForThePermission) {
  desktop.capture.windows.clear();
  auto result = answer({"screenshot", "Notes"}, 1);
  EXPECT_EQ(result["error"],
            "Couldn't capture window 7. Screen Recording may not be granted to Dorv; its setup panel is opening. "
            "Dorv must be restarted after that grant.");
  EXPECT_TRUE(desktop.system.fileExists(activityDir + "/needs-permission"));
  EXPECT_FALSE(desktop.system.fileExists(activityPath));
  EXPECT_EQ(answer({"screenshot"}, 1)["error"], "screenshot needs an app");

  // A minimised window or one on another desktop is said to be so, and asks for no permission.
  desktop.system.removeFile(activityDir + "/needs-permission");
  desktop.windowServer.hidden[7] = platform::HiddenReason::minimised;
  EXPECT_EQ(answer({"screenshot", "Notes"}, 1)["error"],
            "Window 7 is minimised, so it can't be captured. Run `focus` with --window 7 to restore it, then "
            "screenshot again.");
  desktop.windowServer.hidden[7] = platform::HiddenReason::otherDesktop;
  EXPECT_EQ(answer({"screenshot", "Notes"}, 1)["error"],
            "Window 7 is on another desktop, so it can't be captured. Run `focus` with --window 7 to go there, "
            "then screenshot again.");
  EXPECT_FALSE(desktop.system.fileExists(activityDir + "/needs-permission"));

  // An image that cannot be written names the path, is no screenshot either and leaves no
  // preview frame.
  desktop.capture.windows[7] = {400, 300};
  desktop.capture.pngWrites = false;
  EXPECT_EQ(answer({"screenshot", "--out", "/gone/w.png", "Notes"}, 1)["error"],
            "Couldn't write the screenshot to /gone/w.png. Check that its directory exists and can be written, "
            "then screenshot again.");
  EXPECT_FALSE(desktop.system.fileExists(framePath(7)));
  EXPECT_FALSE(desktop.system.fileExists(activityPath));
  EXPECT_FALSE(desktop.system.fileExists(activityDir + "/needs-permission"));
}

TEST_F(ActingCommands, ClickByIndexTriesPressThenSelectionThenFocusThenTheBackground) {
  auto result = answer({"click", "Notes", "--index", "0", "--at", "5,5"});
  EXPECT_EQ(result["clicked"], "[0] AXButton \"Save\"");
  EXPECT_EQ(result["via"], "AXPress");
  EXPECT_EQ(args, (std::vector<std::string>{"Notes", "--at", "5,5"}));  // left unread

  EXPECT_EQ(answer({"click", "Notes", "--index", "1"})["via"], "AXSelected");
  ax.node(tab).setResults["AXSelected"] = AXErrorCode::cannotComplete;
  EXPECT_EQ(answer({"click", "Notes", "--index", "1"})["via"], "background click");
  EXPECT_EQ(answer({"click", "Notes", "--index", "2"})["via"], "AXFocused");

  // A Chromium-based browser is never focused through accessibility.
  ax.node(application).attributes["AXManualAccessibility"] = Value(false);
  size_t before = eventsPosted();
  EXPECT_EQ(answer({"click", "Notes", "--index", "2"})["via"], "background click");
  ASSERT_EQ(eventsPosted(), before + 5);
  const auto& down = desktop.privateFramework.posted[before + 3].second;
  EXPECT_EQ(down.location.x, 210);  // the element's centre
  EXPECT_EQ(down.location.y, 260);
  EXPECT_EQ(down.windowLocation->x, 110);
}

TEST_F(ActingCommands, ClickByIndexOutOfRangeOrWithoutAWay) {
  EXPECT_EQ(answer({"click", "Notes", "--index", "3"}, 1)["error"], "No element 3; the window has 3. Screenshot again.");
  EXPECT_EQ(answer({"click", "Notes", "--index", "-1"}, 1)["error"], "No element -1; the window has 3. Screenshot again.");
  EXPECT_EQ(answer({"click", "Notes"}, 1)["error"], "click needs --index <n> or --at <x>,<y>");
  EXPECT_EQ(answer({"click", "Notes", "--index", "x"}, 1)["error"], "click needs --index <n> or --at <x>,<y>");
  EXPECT_EQ(answer({"click"}, 1)["error"], "click needs an app");
  EXPECT_EQ(answer({"click", "--index", "0", "Notes"}, 1)["error"],
            "No running app matches \"--index\". Run `apps` to list them.");
  for (auto at : {"10, 20", "10", "1,2,3", "inf,3", ""})
    EXPECT_EQ(answer({"click", "Notes", "--at", at}, 1)["error"], "--at takes x,y") << at;
  EXPECT_FALSE(desktop.system.fileExists(activityPath));
}

TEST_F(ActingCommands, ClickAtAPointPressesTheNearestPressableAncestorBelowTheWindow) {
  // A static text inside a button: the button is pressed and reported without a number.
  auto result = answer({"click", "Notes", "--at", "15,15"});
  EXPECT_EQ(result["clicked"], "AXButton \"Save\"");
  EXPECT_EQ(result["via"], "AXPress");
  EXPECT_EQ(eventsPosted(), 0u);

  // Blank space of the group: the walk stops at the window and clicks in the background.
  result = answer({"click", "Notes", "--at", "300.5,,150"});
  EXPECT_EQ(result["clicked"], "300.5,,150");
  EXPECT_EQ(result["via"], "background click");
  ASSERT_EQ(eventsPosted(), 5u);
  EXPECT_EQ(desktop.privateFramework.posted[3].second.location.x, 400.5);
  EXPECT_EQ(desktop.privateFramework.posted[3].second.windowLocation->y, 150);

  // A failing press goes to the background too.
  ax.node(save).actionResults["AXPress"] = AXErrorCode::cannotComplete;
  EXPECT_EQ(answer({"click", "Notes", "--at", "15,15"})["via"], "background click");

  // An element of another window of the application counts as nothing.
  ax.node(save).actionResults.clear();
  for (auto e : {save, saveLabel}) ax.node(e).windowNumber = 8;
  EXPECT_EQ(answer({"click", "Notes", "--at", "15,15"})["via"], "background click");
}

TEST_F(ActingCommands, ClickWithoutThePrivateChannelFailsWithItsMessage) {
  desktop.privateFramework.symbols.clear();
  auto result = answer({"click", "Notes", "--at", "300,150"}, 1);
  EXPECT_EQ(result["error"], "Background clicks need private macOS APIs that aren't available on this macOS version.");
  EXPECT_FALSE(desktop.system.fileExists(activityPath));
}

TEST_F(ActingCommands, DragReadsTheApplicationFirstAndBothPointsAfterIt) {
  auto result = answer({"drag", "Notes", "--from", "10,20", "--to", "300,20"});
  EXPECT_EQ(result["dragged"], "10,20 -> 300,20");
  const auto& posted = desktop.privateFramework.posted;
  ASSERT_EQ(posted.size(), 4u + 24u + 1u);
  EXPECT_EQ(posted[3].second.location.x, 110);
  EXPECT_EQ(posted.back().second.location.x, 400);
  EXPECT_EQ(posted.back().second.windowLocation->x, 300);
  EXPECT_TRUE(desktop.system.fileExists(activityPath));

  const std::string usage = "drag needs an app, --from x,y and --to x,y";
  EXPECT_EQ(answer({"drag"}, 1)["error"], usage);
  EXPECT_EQ(answer({"drag", "Nothing", "--from", "1,2"}, 1)["error"], usage);
  EXPECT_EQ(answer({"drag", "Nothing", "--from", "1,2", "--to", "3,4"}, 1)["error"],
            "No running app matches \"Nothing\". Run `apps` to list them.");
  EXPECT_EQ(answer({"drag", "--from", "1,2", "--to", "3,4", "Notes"}, 1)["error"],
            "No running app matches \"--from\". Run `apps` to list them.");
  EXPECT_EQ(answer({"drag", "Notes", "--from", "1,2", "--to", "300"}, 1)["error"], "--from and --to take x,y");
}

TEST_F(ActingCommands, FocusRaisesTheWindowAndBringsTheApplicationFront) {
  auto result = answer({"focus", "Notes"});
  EXPECT_EQ(result["focused"], 7);
  EXPECT_FALSE(result.contains("stoleFocus"));
  auto calls = desktop.log.calls;
  auto at = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
  EXPECT_LT(at("perform window AXRaise"), at("set window AXMain"));
  EXPECT_LT(at("set window AXMain"), at("sleep 150000"));
  EXPECT_EQ(answer({"focus"}, 1)["error"], "focus needs an app");
}

TEST_F(ActingCommands, TypeFallsBackToKeyEventsWhenTheInsertionShowsNoEffect) {
  ax.node(application).attributes["AXFocusedUIElement"] = Value(field);
  ax.node(field).settable.insert("AXSelectedText");
  ax.node(field).attributes["AXValue"] = Value("before");

  // The element accepts the selected text but its value stays the same.
  auto result = answer({"type", "--text", "héllo", "Notes"});
  EXPECT_EQ(result["typed"], "héllo");
  EXPECT_EQ(result["via"], "key events");
  EXPECT_EQ(desktop.log.starting("set field AXSelectedText").size(), 1u);
  EXPECT_FALSE(desktop.events.posted.empty());

  desktop.log.clear();
  EXPECT_EQ(answer({"type", "Notes", "--text", "x", "--keys"})["via"], "key events");
  EXPECT_TRUE(desktop.log.starting("set field AXSelectedText").empty());

  desktop.events.posted.clear();
  EXPECT_EQ(answer({"type", "Notes", "--text", "", "--keys"})["typed"], "");
  EXPECT_TRUE(desktop.events.posted.empty());
}

TEST_F(ActingCommands, TypeByIndexPreparesThatElementAndPausesFirst) {
  desktop.log.clear();
  auto result = answer({"type", "Notes", "--index", "0", "--text", "hi"});
  EXPECT_EQ(result["via"], "key events");
  auto calls = desktop.log.calls;
  auto at = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
  EXPECT_LT(at("perform save AXPress"), at("sleep 100000"));
  EXPECT_EQ(answer({"type", "Notes", "--index", "7", "--text", "hi"}, 1)["error"], "No element 7. Screenshot again.");
  EXPECT_EQ(answer({"type", "Notes", "--text"}, 1)["error"], "type needs --text");
  EXPECT_EQ(answer({"type", "Notes", "hello", "--text"}, 1)["error"], "type needs --text");
  EXPECT_EQ(answer({"type", "--text", "x"}, 1)["error"], "type needs an app");
}

}  // namespace
}  // namespace dorv
