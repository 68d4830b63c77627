#include "apps/windows.h"

#include <gtest/gtest.h>

#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using namespace platform;

TEST(WindowList, KeepsOnlyOrdinaryWindowsOfTheProcessInServerOrder) {
  scripted::ScriptedDesktop desktop;
  auto& ws = desktop.windowServer;
  ws.addWindow(7, 1, {{0, 0}, {50, 50}});          // exactly 50 by 50: dropped
  ws.addWindow(7, 2, {{0, 0}, {300, 50}});         // 50 high: dropped
  ws.addWindow(7, 3, {{-100.5, 99.9}, {51, 51}}, "front", true);
  ws.addWindow(8, 4, {{0, 0}, {400, 400}});        // another process
  ws.addWindow(7, 5, {{0, 0}, {400, 400}}, "", false);
  Dictionary panel{{WindowKey::ownerPid, Value(7)}, {WindowKey::layer, Value(3)},
                   {WindowKey::number, Value(6)},
                   {WindowKey::bounds, Value(Dictionary{{"X", 0.0}, {"Y", 0.0}, {"Width", 500.0}, {"Height", 500.0}})}};
  ws.addEntry(Value(panel));

  auto list = windows(7);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, 3u);
  EXPECT_EQ(list[0].title, "front");
  EXPECT_TRUE(list[0].onScreen);
  EXPECT_EQ(list[0].frame.origin.x, -100.5);
  EXPECT_EQ(list[1].id, 5u);
  EXPECT_EQ(list[1].title, "");
  EXPECT_FALSE(list[1].onScreen);
}

TEST(WindowList, MalformedEntriesAreDroppedOrFallBack) {
  scripted::ScriptedDesktop desktop;
  auto& ws = desktop.windowServer;
  Dictionary bounds{{"X", 1.0}, {"Y", 2.0}, {"Width", 100.0}, {"Height", 100.0}};
  auto entry = [&](Dictionary d) { ws.addEntry(Value(std::move(d))); };
  entry({{WindowKey::ownerPid, Value("7")}, {WindowKey::layer, Value(0)}, {WindowKey::number, Value(1)}, {WindowKey::bounds, Value(bounds)}});
  entry({{WindowKey::ownerPid, Value(int64_t{7} + (int64_t{1} << 32))}, {WindowKey::layer, Value(0)}, {WindowKey::number, Value(2)}, {WindowKey::bounds, Value(bounds)}});
  entry({{WindowKey::ownerPid, Value(7)}, {WindowKey::layer, Value(0.0)}, {WindowKey::number, Value(3)}, {WindowKey::bounds, Value(bounds)}});
  entry({{WindowKey::ownerPid, Value(7)}, {WindowKey::layer, Value(0)}, {WindowKey::number, Value(-4)}, {WindowKey::bounds, Value(bounds)}});
  entry({{WindowKey::ownerPid, Value(7)}, {WindowKey::layer, Value(0)}, {WindowKey::number, Value(5)}, {WindowKey::bounds, Value("100x100")}});
  entry({{WindowKey::ownerPid, Value(7)}, {WindowKey::layer, Value(0)}, {WindowKey::number, Value(6)}, {WindowKey::bounds, Value(Dictionary{{"X", 1.0}})}});
  entry({{WindowKey::ownerPid, Value(7)}, {WindowKey::layer, Value(0)}, {WindowKey::number, Value(7)}, {WindowKey::bounds, Value(bounds)},
         {WindowKey::name, Value(42)}, {WindowKey::isOnscreen, Value(1)}});
  ws.addEntry(Value("not a dictionary"));

  auto list = windows(7);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, 7u);
  EXPECT_EQ(list[0].title, "");
  EXPECT_FALSE(list[0].onScreen);

  ws.windowList = std::nullopt;
  EXPECT_TRUE(windows(7).empty());
  ws.windowList = Value("garbage");
  EXPECT_TRUE(windows(7).empty());
}

}  // namespace
}  // namespace dorv
