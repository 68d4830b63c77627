#include "tests/session_fixture.h"

namespace dictate::testing {
namespace {

using Events = std::vector<json>;

TEST_F(SessionTest, LinesThatAreNotCommandsGetNoAnswer) {
  begin();
  events();
  for (const char* text : {R"({"cmd":5})", R"(["start"])", R"("start")", "", "start", R"({"command":"start"})",
                           R"({"cmd":null})", "{\"cmd\":\"st"})
    line(text);
  EXPECT_EQ(events(), Events{});
  EXPECT_FALSE(called("requestMicrophoneAccess"));
}

TEST_F(SessionTest, UnknownWordsAreAnsweredAsReceived) {
  begin();
  events();
  for (const char* word : {"START", "", "Stop", "pause"}) send(word);
  EXPECT_EQ(events(), (Events{error("unknown command: START"), error("unknown command: "),
                              error("unknown command: Stop"), error("unknown command: pause")}));
}

TEST_F(SessionTest, FurtherKeysAreIgnored) {
  begin();
  line(R"({"cmd":"start","locale":"fr-FR","cmd2":1})");
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), state("listening")}));
}

TEST_F(SessionTest, CommandsWrittenBeforeReadyRunAfterItInOrder) {
  commands->yield(R"({"cmd":"stop"})");
  commands->yield(R"({"cmd":"prewarm"})");
  begin();
  EXPECT_EQ(events(), (Events{readyEvent(true), state("idle"), state("ready")}));
}

TEST_F(SessionTest, StartImmediatelyFollowedByStopGivesOneIdle) {
  commands->yield(R"({"cmd":"start"})");
  commands->yield(R"({"cmd":"stop"})");
  begin();
  EXPECT_EQ(events(), (Events{readyEvent(true), state("idle")}));
  EXPECT_FALSE(called("analyzer.start"));
}

TEST_F(SessionTest, InputClosedAtOnce) {
  commands->finish();
  begin();
  EXPECT_EQ(events(), (Events{readyEvent(true), state("idle")}));
  EXPECT_TRUE(finished);
}

TEST_F(SessionTest, ReadinessTellsWhetherTheModelIsInstalled) {
  platform.installed = {"fr-FR", "en-GB"};
  begin();
  EXPECT_EQ(events(), Events{readyEvent(false)});
}

TEST_F(SessionTest, UnsupportedLocale) {
  platform.supported.reset();
  begin();
  send("prewarm");
  send("start");
  send("stop");
  EXPECT_EQ(events(), (Events{{{"type", "ready"}, {"ok", false}, {"reason", "locale en-US is not supported"}},
                              error("no supported locale"), state("idle")}));
}

}  // namespace
}  // namespace dictate::testing
