#include "input/sky_light.h"

#include <gtest/gtest.h>

#include "input/key_window.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using namespace platform;

// The bytes of a record that are not zero, as offset -> byte.
std::map<size_t, uint8_t> nonZero(const EventRecord& record) {
  std::map<size_t, uint8_t> out;
  for (size_t i = 0; i < record.size(); ++i)
    if (record[i]) out[i] = record[i];
  return out;
}

TEST(EventRecords, ByteForByte) {
  const uint32_t id = 0x01020304;
  std::map<size_t, uint8_t> focus = {{4, 0xF8}, {8, 0x0D}, {60, 4}, {61, 3}, {62, 2}, {63, 1}, {138, 1}};
  EXPECT_EQ(nonZero(focusEventRecord(id, true)), focus);
  focus[138] = 2;
  EXPECT_EQ(nonZero(focusEventRecord(id, false)), focus);

  std::map<size_t, uint8_t> key = {{4, 0xF8}, {8, 1}, {58, 0x10}, {60, 4}, {61, 3}, {62, 2}, {63, 1}};
  for (size_t i = 32; i < 48; ++i) key[i] = 0xFF;
  EXPECT_EQ(nonZero(makeKeyRecord(id, FocusRecord::kindKeyDown)), key);
  key[8] = 2;
  EXPECT_EQ(nonZero(makeKeyRecord(id, FocusRecord::kindKeyUp)), key);

  auto highest = focusEventRecord(0xFFFFFFFF, true);
  EXPECT_EQ(highest[59], 0);
  EXPECT_EQ(highest[64], 0);
}

class Channel : public ::testing::Test {
 protected:
  scripted::ScriptedDesktop desktop;
  scripted::ScriptedPrivateFramework& framework = desktop.privateFramework;
};

TEST_F(Channel, TheTableIsAllOrNothingAndResolvedOnce) {
  framework.provideEventChannel();
  framework.symbols.erase("CGEventSetWindowLocation");
  EXPECT_FALSE(SkyLight::shared());
  EXPECT_FALSE(SkyLight::shared());
  EXPECT_EQ(desktop.log.starting("symbol ").size(), 4u);  // looked up once, in order

  scripted::ScriptedDesktop another;
  another.privateFramework.provideEventChannel();
  another.privateFramework.symbols["SLEventPostToPid"] = std::string("a symbol of another type");
  EXPECT_FALSE(SkyLight::shared());
  EXPECT_EQ(another.log.starting("symbol "),
            (std::vector<std::string>{"symbol SLPSPostEventRecordTo", "symbol SLEventPostToPid"}));
}

TEST_F(Channel, MakeKeyQuietlyPostsItsRecordsBetweenPauses) {
  framework.provideEventChannel();
  makeKeyQuietly(77, 9);
  std::vector<std::string> expected = {
      "getProcessForPID 77", "postEventRecord 77 kind 13", "sleep 50000",
      "getProcessForPID 77", "postEventRecord 77 kind 1",  "postEventRecord 77 kind 2",
      "sleep 100000",        "getProcessForPID 77",        "postEventRecord 77 kind 13",
      "sleep 50000"};
  std::vector<std::string> calls;
  for (const auto& c : desktop.log.calls)
    if (c.rfind("symbol", 0) != 0) calls.push_back(c);
  EXPECT_EQ(calls, expected);
  ASSERT_EQ(framework.records.size(), 4u);
  EXPECT_EQ(framework.records[0].bytes, focusEventRecord(9, true));
  EXPECT_EQ(framework.records[3].bytes, focusEventRecord(9, false));
}

TEST_F(Channel, NothingIsPostedWithoutTheChannelOrForAnUnknownProcess) {
  makeKeyQuietly(77, 9);
  EXPECT_TRUE(desktop.log.starting("sleep").empty());

  framework.provideEventChannel();
  scripted::ScriptedDesktop fresh;  // a new installation resolves the table anew
  fresh.privateFramework.provideEventChannel();
  fresh.events.unknownProcesses.insert(77);
  makeKeyQuietly(77, 9);
  EXPECT_TRUE(fresh.privateFramework.records.empty());
  EXPECT_EQ(fresh.log.starting("sleep").size(), 3u);  // the pauses are taken all the same
}

TEST_F(Channel, FrontWindowIsTheFrontmostApplicationsFirstNormalWindow) {
  auto& ws = desktop.windowServer;
  desktop.workspace.add(5, "Front");
  EXPECT_EQ(frontWindow(), std::nullopt);  // no frontmost application
  desktop.workspace.frontmostPid = 5;
  ws.addWindow(6, 1, {{0, 0}, {100, 100}});
  ws.addEntry(Value(Dictionary{{WindowKey::ownerPid, Value(5)}, {WindowKey::layer, Value(25)},
                               {WindowKey::number, Value(2)}, {WindowKey::isOnscreen, Value(true)}}));
  ws.addEntry(Value(Dictionary{{WindowKey::ownerPid, Value(5)}, {WindowKey::layer, Value(0)},
                               {WindowKey::number, Value(-3)}, {WindowKey::isOnscreen, Value(true)}}));
  EXPECT_EQ(frontWindow(), std::nullopt);  // a panel layer and a malformed number only
  ws.addWindow(5, 4, {{0, 0}, {10, 10}}, "", false);  // off screen
  ws.addWindow(5, 5, {{0, 0}, {10, 10}});
  ws.addWindow(5, 6, {{0, 0}, {100, 100}});
  auto front = frontWindow();
  ASSERT_TRUE(front);
  EXPECT_EQ(front->pid, 5);
  EXPECT_EQ(front->windowId, 5u);
  EXPECT_EQ(desktop.log.starting("copyWindowInfo").back(), "copyWindowInfo 17 0");
}

}  // namespace
}  // namespace dorv
