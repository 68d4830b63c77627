#include <gtest/gtest.h>

#include "activity/live_lock.h"
#include "activity/live_loop.h"
#include "core/paths.h"
#include "core/result.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

class LiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setPaths(desktop.system.home);
    desktop.workspace.add(77, "Editor");
  }
  void windowList(const Json& list) { desktop.system.files[windowsPath] = list.dump(); }
  double nowMillis() const { return desktop.system.now * 1000; }
  size_t spawns() const { return desktop.log.starting("spawn").size(); }

  platform::scripted::ScriptedDesktop desktop;
};

TEST_F(LiveTest, ProbeSpawnsOneDetachedCopyOnlyWhenNoLoopHoldsTheLock) {
  startLiveLoop();
  EXPECT_EQ(desktop.log.calls,
            (std::vector<std::string>{"open-lock " + liveLockPath, "flock 10", "unlock 10", "close 10",
                                      "spawn /usr/bin/dorv-computer-use /usr/bin/dorv-computer-use live"}));

  // A loop runs: the second probe is refused and starts nothing.
  desktop.log.clear();
  desktop.system.lockHeldElsewhere = true;
  startLiveLoop();
  EXPECT_EQ(desktop.log.calls,
            (std::vector<std::string>{"open-lock " + liveLockPath, "flock 11", "close 11"}));
  // And the copy that the first probe started, finding the lock taken, ends at once.
  desktop.log.clear();
  windowList({{"42", {{"pid", 77}, {"windowId", 42}, {"at", nowMillis()}}}});
  liveLoop();
  EXPECT_TRUE(desktop.log.starting("capture").empty());

  desktop.system.lockHeldElsewhere = false;
  desktop.system.unwritable.insert(liveLockPath);
  startLiveLoop();
  EXPECT_FALSE(takeLiveLock());
  EXPECT_EQ(spawns(), 0u);
}

TEST_F(LiveTest, TheLoopKeepsItsLock) {
  auto fd = takeLiveLock();
  ASSERT_TRUE(fd);
  EXPECT_TRUE(desktop.log.starting("close").empty());
  EXPECT_TRUE(desktop.log.starting("unlock").empty());
}

TEST_F(LiveTest, RecentWindowsReadsOnlyUsableEntries) {
  windowList({
      {"1", {{"pid", 77}, {"windowId", 1}, {"at", 5.5}, {"width", 300}, {"height", 200.0}}},
      {"2", {{"pid", 77.0}, {"windowId", 2}, {"at", 1}, {"width", 300.5}, {"height", "tall"}}},
      {"3", {{"pid", 77}, {"windowId", 3}, {"at", "now"}}},
      {"4", {{"pid", 2147483648LL}, {"windowId", 4}, {"at", 1}}},
      {"5", {{"pid", 77}, {"windowId", -5}, {"at", 1}}},
      {"6", {{"pid", 77}, {"windowId", 4294967296LL}, {"at", 1}}},
      {"7", {{"pid", 7.5}, {"windowId", 7}, {"at", 1}}},
      {"8", {{"windowId", 8}, {"at", 1}}},
      {"x", {{"pid", true}, {"windowId", 9}, {"at", 1}}},
  });
  auto recent = recentWindows();
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[0].windowId, 1u);
  EXPECT_EQ(recent[0].width, 300);
  EXPECT_EQ(recent[0].height, 200);
  EXPECT_EQ(recent[0].at, 5.5);
  EXPECT_EQ(recent[1].pid, 77);
  EXPECT_EQ(recent[1].width, 800);
  EXPECT_EQ(recent[1].height, 600);

  for (const char* malformed : {"[]", "{\"1\":{\"pid\":77,\"windowId\":1,\"at\":1},\"2\":0}", "{"}) {
    desktop.system.files[windowsPath] = malformed;
    EXPECT_TRUE(recentWindows().empty()) << malformed;
  }
}

TEST_F(LiveTest, PassRefreshesYoungWindowsOfRunningApplications) {
  desktop.capture.windows = {{1, {400, 300}}, {2, {400, 300}}, {3, {400, 300}}};
  const double now = nowMillis();
  windowList({
      {"1", {{"pid", 77}, {"windowId", 1}, {"at", now - 19'900}}},
      {"2", {{"pid", 77}, {"windowId", 2}, {"at", now - 20'000}}},
      {"3", {{"pid", 99}, {"windowId", 3}, {"at", now - 100}}},  // its application quit
  });
  EXPECT_TRUE(refreshPass());
  EXPECT_EQ(desktop.log.starting("capture"), std::vector<std::string>{"capture 1"});
  // No width recorded: 800 points, so the 600-pixel cap.
  EXPECT_EQ(desktop.capture.written.at(activityDir + "/frame-1.png.4242-5eed.tmp"),
            std::make_pair(600, 450));

  // The quit application's young window alone still keeps the loop going.
  windowList({{"3", {{"pid", 99}, {"windowId", 3}, {"at", now - 100}}}});
  EXPECT_TRUE(refreshPass());
  windowList(Json::object());
  EXPECT_FALSE(refreshPass());
  desktop.system.files.erase(windowsPath);
  EXPECT_FALSE(refreshPass());
}

TEST_F(LiveTest, LoopEndsTwentySecondsAfterTheLastAction) {
  desktop.capture.windows[1] = {400, 300};
  windowList({{"1", {{"pid", 77}, {"windowId", 1}, {"at", nowMillis() - 5'000}}}});
  liveLoop();
  // Ages 5.0 s, 5.9 s ... 19.4 s are refreshed; 20.3 s ends the loop.
  EXPECT_EQ(desktop.log.starting("capture").size(), 17u);
  EXPECT_EQ(desktop.log.starting("sleep 900000").size(), 17u);
  EXPECT_EQ(desktop.log.calls.back(), "sleep 900000");
}

}  // namespace
}  // namespace dorv
