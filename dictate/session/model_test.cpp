#include "tests/session_fixture.h"

namespace dictate::testing {
namespace {

using Events = std::vector<json>;

TEST_F(SessionTest, PrewarmReportsTheModel) {
  struct Case {
    const char* name;
    std::vector<std::string> installed;
    scripted::Installation installation;
    Events expected;
  };
  const std::vector<Case> cases{
      {"installed", {"en-US"}, scripted::Installation::downloads, {state("ready")}},
      {"downloaded", {}, scripted::Installation::downloads, {state("preparing"), state("ready")}},
      {"nothing to install", {}, scripted::Installation::nothingToInstall, {state("preparing"), state("ready")}},
      {"request fails", {}, scripted::Installation::requestFails,
       {state("preparing"), error("model download failed: asset catalog unavailable")}},
      {"download fails", {}, scripted::Installation::downloadFails,
       {state("preparing"), error("model download failed: network unreachable")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform.installed = c.installed;
    platform.installation = c.installation;
    commands = makeStream<std::string>();
    begin();
    events();
    send("prewarm");
    EXPECT_EQ(events(), c.expected);
    endInput();
    events();
  }
}

TEST_F(SessionTest, StartGoesOnWhenTheDownloadFails) {
  platform.installed.clear();
  platform.installation = scripted::Installation::downloadFails;
  begin();
  send("start");
  EXPECT_EQ(events(), (Events{readyEvent(false), state("preparing"), error("model download failed: network unreachable"),
                              state("listening")}));
}

TEST_F(SessionTest, DownloadedModelCountsAsInstalledAfterwards) {
  platform.installed.clear();
  begin();
  send("prewarm");
  send("prewarm");
  EXPECT_EQ(events(), (Events{readyEvent(false), state("preparing"), state("ready"), state("ready")}));
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "downloadAndInstall"), 1);
}

TEST_F(SessionTest, TranscriptTextIsEscapedOnOneLine) {
  listen();
  results({{"say \"hi\"\nthen \\ go", true}});
  EXPECT_EQ(events(), (Events{final("say \"hi\"\nthen \\ go", 0)}));
}

}  // namespace
}  // namespace dictate::testing
