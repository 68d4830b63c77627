#include "capture/capture.h"

#include <gtest/gtest.h>

#include "core/paths.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::Size;

WindowInfo windowOfWidth(uint32_t id, double width, double height = 300) {
  return WindowInfo{id, "", {{10, 20}, {width, height}}, true};
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { setPaths(desktop.system.home); }
  platform::scripted::ScriptedDesktop desktop;
};

TEST_F(CaptureTest, SizeFollowsTargetWidthCapAndCapturedAspectRatio) {
  auto& windows = desktop.capture.windows;
  windows[1] = {800, 500};   // a 400-point window on a double-density display
  windows[2] = {1603, 400};  // 801.5 points
  windows[3] = {400, 320};   // taller than the frame says: the image's ratio wins
  windows[4] = {200, 101};   // height 50.5 rounds away from zero
  windows[5] = {100, 100};

  EXPECT_EQ(capture(windowOfWidth(1, 400), "/o/1.png", 600.0, true), (Size{600, 375}));
  EXPECT_EQ(capture(windowOfWidth(2, 801.5), "/o/2.png", std::nullopt, false), (Size{802, 200}));
  EXPECT_EQ(capture(windowOfWidth(3, 400, 300), "/o/3.png", std::nullopt, false), (Size{400, 320}));
  EXPECT_EQ(capture(windowOfWidth(4, 100), "/o/4.png", std::nullopt, false), (Size{100, 51}));
  // A negative width counts by its magnitude; a cap above the target changes nothing.
  EXPECT_EQ(capture(windowOfWidth(5, -150), "/o/5.png", 600.0, true), (Size{300, 300}));

  auto& written = desktop.capture.written;
  EXPECT_EQ(written.at("/o/1.png.4242-5eed.tmp"), std::make_pair(600, 375));
  EXPECT_EQ(written.at("/o/4.png.4242-5eed.tmp"), std::make_pair(100, 51));
}

TEST_F(CaptureTest, NothingWrittenWhenNoBitmapOrNoImage) {
  desktop.capture.windows[7] = {300, 200};
  // Zero width: the capture runs, but no bitmap can be made.
  EXPECT_FALSE(capture(windowOfWidth(7, 0), "/o/7.png", std::nullopt, false));
  EXPECT_EQ(desktop.log.starting("capture 7").size(), 1u);
  // Rounds to zero pixels.
  EXPECT_FALSE(capture(windowOfWidth(7, 0.4), "/o/7.png", std::nullopt, false));
  desktop.capture.windows[8] = {0, 0};
  EXPECT_FALSE(capture(windowOfWidth(8, 300), "/o/8.png", std::nullopt, false));
  // Not capturable at all.
  EXPECT_FALSE(capture(windowOfWidth(9, 300), "/o/9.png", std::nullopt, false));
  EXPECT_TRUE(desktop.capture.written.empty());
  EXPECT_TRUE(desktop.log.starting("rename").empty());
}

TEST_F(CaptureTest, WritesATemporaryFileOfItsOwnThenRenamesIt) {
  desktop.capture.windows[42] = {300, 200};
  ASSERT_TRUE(capture(windowOfWidth(42, 300), "/o/w.png", std::nullopt, false));
  EXPECT_EQ(desktop.capture.temporaryPath, "/tmp/dorv-cu-4242-42.png");
  EXPECT_EQ(desktop.capture.timeoutSeconds, 8.0);
  auto png = desktop.log.starting("png");
  auto rename = desktop.log.starting("rename");
  ASSERT_EQ(png.size(), 1u);
  EXPECT_EQ(png[0], "png /o/w.png.4242-5eed.tmp");
  EXPECT_EQ(rename, std::vector<std::string>{"rename /o/w.png.4242-5eed.tmp /o/w.png"});

  // A failed write leaves neither its temporary file nor a renamed one behind.
  desktop.log.clear();
  desktop.capture.pngWrites = false;
  EXPECT_FALSE(capture(windowOfWidth(42, 300), "/o/w.png", std::nullopt, false));
  EXPECT_EQ(desktop.log.starting("remove"), std::vector<std::string>{"remove /o/w.png.4242-5eed.tmp"});
  EXPECT_TRUE(desktop.log.starting("rename").empty());
}

TEST_F(CaptureTest, PathsInTheActivityDirectory) {
  EXPECT_EQ(screenshotPath(42), "/home/user/.dorv/computer-use/screenshot-42.png");
  EXPECT_EQ(framePath(4294967295u), "/home/user/.dorv/computer-use/frame-4294967295.png");
}

}  // namespace
}  // namespace dorv
