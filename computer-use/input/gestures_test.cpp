#include "input/gestures.h"

#include <gtest/gtest.h>


#include "input/event_fields.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::CGEvent;
using platform::scripted::ExitCalled;
using platform::scripted::ScriptedDesktop;
namespace type = platform::CGEventType;

struct Focus {
  uint32_t pid;
  uint32_t windowId;
  uint8_t marker;
  bool operator==(const Focus&) const = default;
};

std::vector<Focus> focusRecords(const ScriptedDesktop& desktop) {
  std::vector<Focus> out;
  for (const auto& r : desktop.privateFramework.records) {
    uint32_t id = r.bytes[60] | r.bytes[61] << 8 | r.bytes[62] << 16 | static_cast<uint32_t>(r.bytes[63]) << 24;
    out.push_back({r.psn.lowLongOfPSN, id, r.bytes[138]});
  }
  return out;
}

int64_t field(const CGEvent& e, uint32_t number) {
  for (auto [f, v] : e.fields)
    if (f == number) return v;
  return -999;
}

std::vector<uint64_t> pauses(const ScriptedDesktop& desktop) {
  std::vector<uint64_t> out;
  for (const auto& call : desktop.log.starting("sleep ")) out.push_back(std::stoull(call.substr(6)));
  return out;
}

struct Gestures : ::testing::Test {
  ScriptedDesktop desktop;
  void SetUp() override {
    desktop.privateFramework.provideEventChannel();
    desktop.workspace.add(10, "Front");
    desktop.workspace.add(20, "Target");
    desktop.workspace.frontmostPid = 10;
    desktop.windowServer.addWindow(10, 100, {{0, 0}, {500, 500}});
  }
};

TEST_F(Gestures, ClickIsFramedByFocusRecordsAndPostsItsScript) {
  backgroundClick(20, {110, 220}, 200, {100, 200});

  EXPECT_EQ(focusRecords(desktop), (std::vector<Focus>{{10, 200, 2}, {20, 200, 1}, {20, 200, 2}, {10, 100, 1}}));
  EXPECT_EQ(pauses(desktop), (std::vector<uint64_t>{50'000, 15'000, 1'000, 100'000, 1'000, 50'000}));

  const auto& posted = desktop.privateFramework.posted;
  ASSERT_EQ(posted.size(), 5u);
  const uint32_t types[] = {type::mouseMoved, type::leftMouseDown, type::leftMouseUp, type::leftMouseDown,
                            type::leftMouseUp};
  const int64_t phases[] = {2, 1, 2, 3, 3};
  const int64_t clickStates[] = {0, 1, 1, 1, 1};
  for (size_t i = 0; i < posted.size(); ++i) {
    const auto& [pid, e] = posted[i];
    EXPECT_EQ(pid, 20);
    EXPECT_EQ(e.type, types[i]);
    EXPECT_EQ(field(e, EventField::gesturePhase), phases[i]);
    EXPECT_EQ(field(e, EventField::clickState), clickStates[i]);
    EXPECT_EQ(field(e, EventField::subtype), subtypeTouch);
    EXPECT_EQ(field(e, EventField::targetPid), 20);
    EXPECT_EQ(field(e, EventField::windowThatCanHandle), 200);
    EXPECT_EQ(field(e, EventField::clickGroup), field(posted[0].second, EventField::clickGroup));
    // Fields go in a fixed order, the click group last.
    ASSERT_EQ(e.fields.size(), 9u);
    EXPECT_EQ(e.fields.back().first, EventField::clickGroup);
    const bool primer = i == 1 || i == 2;
    const platform::Point location = primer ? offscreenPoint : platform::Point{110, 220};
    const platform::Point window = primer ? offscreenPoint : platform::Point{10, 20};
    EXPECT_EQ(e.location.x, location.x);
    EXPECT_EQ(e.location.y, location.y);
    ASSERT_TRUE(e.windowLocation);
    EXPECT_EQ(e.windowLocation->x, window.x);
    EXPECT_EQ(e.windowLocation->y, window.y);
  }
  const int64_t group = field(posted[0].second, EventField::clickGroup);
  EXPECT_GE(group, 0);
  EXPECT_LE(group, 0x7FFFFFFF);

  desktop.privateFramework.posted.clear();
  desktop.system.sleepMicros(1'000'000);
  backgroundClick(20, {110, 220}, 200, {100, 200});
  EXPECT_NE(field(desktop.privateFramework.posted[0].second, EventField::clickGroup), group);
}

TEST_F(Gestures, WithoutAFrontWindowOnlyTheGainedRecordIsPosted) {
  using namespace platform;
  // Only a panel of the front application is on screen: no front window.
  desktop.windowServer.windowList = Value(Array{});
  desktop.windowServer.addEntry(Value(Dictionary{{WindowKey::ownerPid, Value(10)}, {WindowKey::layer, Value(25)},
                                                 {WindowKey::number, Value(101)}, {WindowKey::isOnscreen, Value(true)}}));
  backgroundClick(20, {1, 1}, 200, {0, 0});
  EXPECT_EQ(focusRecords(desktop), (std::vector<Focus>{{20, 200, 1}}));
  EXPECT_EQ(pauses(desktop).size(), 5u);
}

TEST_F(Gestures, DragWalksTheLineInEqualStepsAndEndsAtTheTarget) {
  backgroundDrag(20, {0, 0}, {24, 48}, {0, 0}, 200, 24);
  const auto& posted = desktop.privateFramework.posted;
  ASSERT_EQ(posted.size(), 4u + 24u + 1u);
  EXPECT_EQ(field(posted[0].second, EventField::subtype), subtypeNormal);
  EXPECT_EQ(field(posted[1].second, EventField::subtype), subtypeTouch);  // primers stay touch
  EXPECT_EQ(field(posted[3].second, EventField::subtype), subtypeNormal);
  for (int i = 1; i <= 24; ++i) {
    const auto& e = posted[3 + i].second;
    EXPECT_EQ(e.type, type::leftMouseDragged);
    EXPECT_DOUBLE_EQ(e.location.x, i);
    EXPECT_DOUBLE_EQ(e.location.y, 2 * i);
  }
  EXPECT_EQ(posted.back().second.type, type::leftMouseUp);
  EXPECT_EQ(posted.back().second.location.x, 24);

  std::vector<uint64_t> expected{50'000, 15'000, 1'000, 100'000, 120'000};
  expected.insert(expected.end(), 24, 25'000);
  expected.insert(expected.end(), {200'000, 50'000});
  EXPECT_EQ(pauses(desktop), expected);

  desktop.privateFramework.posted.clear();
  backgroundDrag(20, {5, 5}, {9, 9}, {0, 0}, 200, 1);
  ASSERT_EQ(desktop.privateFramework.posted.size(), 6u);
  EXPECT_EQ(desktop.privateFramework.posted[4].second.type, type::leftMouseDragged);
  EXPECT_EQ(desktop.privateFramework.posted[4].second.location.x, 9);
}

TEST_F(Gestures, WithoutTheWholePrivateChannelTheRunFailsBeforePostingAnything) {
  desktop.privateFramework.symbols.erase("CGEventSetWindowLocation");
  try {
    backgroundClick(20, {1, 1}, 200, {0, 0});
    FAIL() << "the click did not end the run";
  } catch (const ExitCalled& e) {
    EXPECT_EQ(e.status, 1);
  }
  EXPECT_TRUE(desktop.privateFramework.records.empty());
  EXPECT_NE(desktop.system.standardOutput.find(
                "Background clicks need private macOS APIs that aren't available on this macOS version."),
            std::string::npos);
}

}  // namespace
}  // namespace dorv
