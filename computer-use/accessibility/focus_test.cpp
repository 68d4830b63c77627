#include "accessibility/focus.h"

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using namespace platform;

class Focus : public ::testing::Test {
 protected:
  Focus() {
    previousFront.reset();
    stoleFocus = false;
  }
  ~Focus() override {
    previousFront.reset();
    stoleFocus = false;
  }
  scripted::ScriptedDesktop desktop;
  scripted::ScriptedAccessibility& ax = desktop.accessibility;
  RunningApplication browser = desktop.workspace.add(10, "Browser");
  RunningApplication editor = desktop.workspace.add(20, "Editor");
  AXUIElement browserElement = ax.application(10);
  AXUIElement editorElement = ax.application(20);
};

TEST_F(Focus, WebAccessibilityPausesOnlyAfterAnAcceptedChange) {
  // Unsupported: the read and the set fail, no pause; not Chromium.
  enableWebAccessibility(browserElement);
  EXPECT_EQ(desktop.log.starting("set app10 AXManualAccessibility").size(), 1u);
  EXPECT_TRUE(desktop.log.starting("sleep").empty());
  EXPECT_FALSE(isChromium(browser));

  // Reads false and accepts the set: one pause; afterwards it reads true, so no more.
  auto& node = ax.node(browserElement);
  node.attributes["AXManualAccessibility"] = Value(false);
  node.settable.insert("AXManualAccessibility");
  EXPECT_TRUE(isChromium(browser));
  enableWebAccessibility(browserElement);
  EXPECT_EQ(desktop.log.starting("sleep"), (std::vector<std::string>{"sleep 1500000"}));
  desktop.log.clear();
  enableWebAccessibility(browserElement);
  EXPECT_TRUE(desktop.log.starting("set").empty());
  EXPECT_TRUE(desktop.log.starting("sleep").empty());

  // A value that is not the boolean true is set again.
  node.attributes["AXManualAccessibility"] = Value(1);
  enableWebAccessibility(browserElement);
  EXPECT_EQ(desktop.log.starting("sleep").size(), 1u);
  // A failed set takes no pause.
  node.attributes["AXManualAccessibility"] = Value(false);
  node.setResults["AXManualAccessibility"] = AXErrorCode::cannotComplete;
  desktop.log.clear();
  enableWebAccessibility(browserElement);
  EXPECT_TRUE(desktop.log.starting("sleep").empty());
}

TEST_F(Focus, EnsureKeyWindowLeavesAFocusedWindowAlone) {
  desktop.privateFramework.provideEventChannel();
  ax.node(editorElement).attributes["AXFocusedWindow"] = Value(ax.make("other window"));
  ensureKeyWindow(editor, 5);
  EXPECT_TRUE(desktop.privateFramework.records.empty());

  ax.node(editorElement).attributes["AXFocusedWindow"] = Value();  // read, but no value
  ensureKeyWindow(editor, 5);
  ASSERT_EQ(desktop.privateFramework.records.size(), 4u);
  EXPECT_EQ(desktop.privateFramework.records[0].psn.lowLongOfPSN, 20u);
}

TEST_F(Focus, RestoreFrontOnlyWhenTheTargetTookTheFront) {
  desktop.workspace.frontmostPid = 10;
  restoreFront(browser);  // nothing was frontmost at start
  previousFront = browser;
  restoreFront(browser);  // the target was frontmost at start
  previousFront = editor;
  desktop.workspace.frontmostPid = 20;
  restoreFront(browser);  // the target is not frontmost now
  EXPECT_FALSE(stoleFocus);
  EXPECT_TRUE(desktop.log.starting("set").empty());
  // Only the waits for the window manager to settle, no restoring pause.
  for (const auto& pause : desktop.log.starting("sleep")) EXPECT_EQ(pause, "sleep 25000");

  desktop.workspace.frontmostPid = 10;
  ax.node(editorElement).settable.insert("AXFrontmost");
  restoreFront(browser);
  EXPECT_TRUE(stoleFocus);
  // A set that leaves the target in front is asked again, for a second and a half at most.
  EXPECT_EQ(desktop.log.starting("set app20 AXFrontmost").size(), 15u);
  EXPECT_EQ(desktop.log.starting("sleep 100000").size(), 15u);
  EXPECT_TRUE(desktop.log.starting("activate").empty());

  // A refused set falls back to activation.
  desktop.log.clear();
  ax.node(editorElement).settable.clear();
  restoreFront(browser);
  EXPECT_EQ(desktop.log.starting("activate"), (std::vector<std::string>{"activate 20"}));
  EXPECT_EQ(desktop.workspace.frontmostPid, 20);
  EXPECT_EQ(desktop.log.starting("sleep 100000").size(), 1u);

  // An activation that a late window manager carries out only when asked is seen before the
  // front is judged.
  stoleFocus = false;
  desktop.workspace.frontmostPidAfterWindowManager = 10;
  restoreFront(browser);
  EXPECT_TRUE(stoleFocus);
  EXPECT_EQ(desktop.workspace.frontmostPid, 20);
}

}  // namespace
}  // namespace dorv
