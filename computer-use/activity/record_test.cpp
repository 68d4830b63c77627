#include "activity/record.h"

#include <gtest/gtest.h>

#include "activity/ancestry.h"
#include "core/run_state.h"
#include "core/paths.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::RunningApplication;

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setPaths(desktop.system.home);
    sayOption.reset();
    app.processIdentifier = 77;
    app.localizedName = "Editor";
    desktop.capture.windows[42] = {800, 600};
  }
  void TearDown() override { sayOption.reset(); }

  Json file(const std::string& path) {
    auto it = desktop.system.files.find(path);
    return it == desktop.system.files.end() ? Json() : Json::parse(it->second);
  }
  double nowMillis() const { return desktop.system.now * 1000; }

  platform::scripted::ScriptedDesktop desktop;
  RunningApplication app;
  WindowInfo window{42, "Notes", {{5, 6}, {812.7, 600.2}}, true};
};

TEST_F(RecordTest, ActivityObjectAndCaption) {
  desktop.system.ppid = 300;
  desktop.system.parents = {{300, 200}, {200, 1}};
  sayOption = "Saving the file";
  recordActivity(app, window, "click");

  Json activity = file(activityPath);
  EXPECT_EQ(activity, (Json{{"pid", 77}, {"windowId", 42}, {"app", "Editor"}, {"title", "Notes"},
                            {"action", "click"}, {"at", nowMillis()}, {"ancestors", {300, 200}},
                            {"width", 812}, {"height", 600}, {"caption", "Saving the file"}}));
  Json stored = file(windowsPath).at("42");
  activity.erase("caption");
  EXPECT_EQ(stored, activity);
  EXPECT_EQ(desktop.system.files[windowsPath].find_first_of(" \n"), std::string::npos);

  sayOption = "";
  app.localizedName.reset();
  recordActivity(app, window, "type");
  EXPECT_EQ(file(activityPath).at("caption"), "");
  EXPECT_EQ(file(activityPath).at("app"), "");
  sayOption.reset();
  recordActivity(app, window, "key");
  EXPECT_FALSE(file(activityPath).contains("caption"));
}

TEST_F(RecordTest, AncestorsStopBelowTheFirstProcessAndAtTwenty) {
  desktop.system.ppid = 1;
  EXPECT_TRUE(ancestors().empty());

  desktop.system.ppid = 1000;
  for (int32_t p = 1000; p < 1030; ++p) desktop.system.parents[p] = p + 1;
  auto chain = ancestors();
  ASSERT_EQ(chain.size(), 20u);
  EXPECT_EQ(chain.front(), 1000);
  EXPECT_EQ(chain.back(), 1019);

  desktop.system.parents = {{1000, 0}};
  EXPECT_EQ(ancestors(), std::vector<int64_t>{1000});
  EXPECT_FALSE(parentPid(1000));
  EXPECT_FALSE(parentPid(5));  // unreadable
}

TEST_F(RecordTest, MalformedWindowListIsReplacedByTheCurrentWindow) {
  for (const char* content : {"", "not json", "[1,2]", "\"text\"", "{\"7\":{\"at\":1},\"8\":3}",
                              "{\"9\":[]}", "null"}) {
    desktop.system.files[windowsPath] = content;
    recordActivity(app, window, "click");
    Json list = file(windowsPath);
    ASSERT_EQ(list.size(), 1u) << content;
    EXPECT_TRUE(list.contains("42")) << content;
  }
  // Nothing was pruned from a list that could not be read.
  EXPECT_TRUE(desktop.log.starting("remove /home").empty());

  desktop.system.files.erase(windowsPath);
  recordActivity(app, window, "click");
  desktop.system.now += 3;
  recordActivity(app, window, "drag");
  Json list = file(windowsPath);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list["42"]["action"], "drag");
  EXPECT_EQ(list["42"]["at"], nowMillis());
}

TEST_F(RecordTest, PruningAtTenMinutes) {
  const double now = nowMillis();
  desktop.system.files[windowsPath] = Json{
      {"1", {{"at", now - 599'000}}},
      {"2", {{"at", now - 601'000}}},
      {"3", {{"title", "no time"}}},
      {"4", {{"at", "recent"}}},
      {"5", Json::object()},
      {"../x", {{"at", 0}}},
      {"6", {{"at", now - 600'000}}},  // exactly at the cut-off
  }.dump();
  recordActivity(app, window, "screenshot");

  Json list = file(windowsPath);
  std::vector<std::string> kept;
  for (const auto& [key, entry] : list.items()) kept.push_back(key);
  EXPECT_EQ(kept, (std::vector<std::string>{"1", "42", "6"}));
  std::vector<std::string> removed;
  for (const auto& call : desktop.log.starting("remove /home")) removed.push_back(call.substr(7));
  const std::string dir = activityDir;
  EXPECT_EQ(removed, (std::vector<std::string>{
                         dir + "/frame-2.png", dir + "/screenshot-2.png", dir + "/frame-3.png",
                         dir + "/screenshot-3.png", dir + "/frame-4.png", dir + "/screenshot-4.png",
                         dir + "/frame-5.png", dir + "/screenshot-5.png"}));
}

TEST_F(RecordTest, StepsInOrderEvenWhenCaptureAndWritesFail) {
  desktop.capture.windows.clear();
  desktop.system.unwritable.insert(activityPath + ".4242-5eed.tmp");
  recordActivity(app, window, "click");

  std::vector<std::string> steps;
  for (const auto& call : desktop.log.calls)
    if (call.rfind("sleep", 0) != 0) steps.push_back(call);
  const std::string dir = activityDir;
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "mkdir " + dir, "capture 42", "write " + dir + "/activity.json.4242-5eed.tmp",
                       "remove " + dir + "/activity.json.4242-5eed.tmp",
                       "write " + dir + "/windows.json.4242-5eed.tmp",
                       "rename " + dir + "/windows.json.4242-5eed.tmp " + dir + "/windows.json",
                       "open-lock " + dir + "/live.lock", "flock 10", "unlock 10", "close 10",
                       "spawn /usr/bin/dorv-computer-use /usr/bin/dorv-computer-use live"}));
  EXPECT_FALSE(desktop.system.files.count(activityPath));
}

}  // namespace
}  // namespace dorv
