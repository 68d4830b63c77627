#include "tests/session_fixture.h"

namespace dictate::testing {
namespace {

using Events = std::vector<json>;

TEST_F(SessionTest, DictationFromStartToLastFinalAfterIdle) {
  platform.resultsAtFinalize = {{"and the rest", true}};
  listen();
  platform.engine().deliver(constant(0.1f));
  results({{"hello", false}, {"", false}, {"hello world", true}, {"", true}});
  EXPECT_EQ(events(), (Events{level(78), partial("hello", 0), final("hello world", 0), final("", 0)}));

  send("stop");
  EXPECT_EQ(events(), (Events{state("idle"), final("and the rest", 0)}));
  EXPECT_TRUE(called("removeTap"));
  EXPECT_TRUE(called("engine.stop"));
  EXPECT_TRUE(called("finalize"));
  // The converted audio reached the analyser and its input was finished at the stop.
  auto& input = *platform.analyzerInputs.at(0);
  EXPECT_EQ(input.pop()->frameLength(), 1366u);
  EXPECT_FALSE(input.pop());
}

TEST_F(SessionTest, StopDuringPermissionPrompt) {
  for (bool granted : {true, false}) {
    SCOPED_TRACE(granted);
    platform.permission.reset();
    commands = makeStream<std::string>();
    begin();
    events();
    send("start");
    send("stop");
    EXPECT_EQ(events(), (Events{state("idle")}));
    platform.answerPermission(granted);
    settle();
    EXPECT_EQ(events(), granted ? Events{} : Events{error("microphone access denied")});
    EXPECT_FALSE(called("analyzer.start"));
    endInput();
    events();
  }
}

TEST_F(SessionTest, StopDuringDownloadLetsTheDownloadReport) {
  platform.installed.clear();
  platform.download.hold();
  begin();
  send("start");
  send("stop");
  EXPECT_EQ(events(), (Events{readyEvent(false), state("preparing"), state("idle")}));
  platform.download.release();
  settle();
  EXPECT_EQ(events(), (Events{state("ready")}));
  EXPECT_FALSE(called("analyzer.start"));
}

TEST_F(SessionTest, StopDuringAnalyzerStartTearsDownWhatItOpened) {
  platform.analyzerStart.hold();
  begin();
  send("start");
  send("stop");
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), state("idle")}));
  platform.analyzerStart.release();
  settle();
  results({{"too late", true}});  // the cancelled collector reports nothing
  EXPECT_EQ(events(), Events{});
  EXPECT_FALSE(called("installTap 4096"));
  EXPECT_FALSE(platform.analyzerInputs.at(0)->yield(constant(0)));
}

TEST_F(SessionTest, MicrophoneOpensOnceTheBeginChimeIsOver) {
  platform.soundFiles[paths(Chime::begin)[0]] = 0.5;
  platform.analyzerStartSeconds = 0.2;
  begin();
  send("start");
  EXPECT_TRUE(called(played(Chime::begin)));
  ASSERT_EQ(platform.sleeps.size(), 1u);
  EXPECT_NEAR(double(platform.sleeps[0]), 0.3e9, 1);
  EXPECT_FALSE(called("engine.start"));
  advance(0.3);
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), state("listening")}));
}

TEST_F(SessionTest, StopDuringBeginChimeNeverListens) {
  platform.soundFiles[paths(Chime::begin)[0]] = 0.5;
  begin();
  send("start");
  send("stop");
  advance(0.5);
  results({{"never", true}});
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), state("idle")}));
  EXPECT_FALSE(called("engine.start"));
  EXPECT_FALSE(called(played(Chime::end)));
}

TEST_F(SessionTest, StartWhileStartingOrListeningIsIgnored) {
  platform.permission.reset();
  begin();
  send("start");
  send("start");
  platform.answerPermission(true);
  settle();
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), state("listening")}));
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "requestMicrophoneAccess"), 1);

  const auto calls = platform.calls;
  send("start");
  EXPECT_EQ(events(), Events{});
  EXPECT_EQ(platform.calls, calls);
}

TEST_F(SessionTest, EveryStopNumbersTheNextDictation) {
  begin();
  send("stop");
  send("start");
  results({{"first", true}});
  platform.resultsAtFinalize = {{"first tail", true}};
  send("stop");
  send("start");
  results({{"second", false}});
  EXPECT_EQ(events(), (Events{readyEvent(true), state("idle"), state("ready"), state("listening"), final("first", 1),
                              state("idle"), final("first tail", 1), state("ready"), state("listening"),
                              partial("second", 2)}));
}

TEST_F(SessionTest, FailedStartKeepsTheRunNumberAndCanBeRetried) {
  platform.microphone = {0, 1};
  begin();
  send("start");
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), error("could not start: no microphone is available")}));
  EXPECT_FALSE(called("installTap 4096"));
  EXPECT_FALSE(called(played(Chime::end)));

  platform.microphone = {48000, 1};
  send("start");
  results({{"again", true}});
  EXPECT_EQ(events(), (Events{state("ready"), state("listening"), final("again", 0)}));
}

TEST_F(SessionTest, StartFailuresAreReportedAndTornDown) {
  struct Case {
    const char* name;
    std::function<void(scripted::ScriptedPlatform&)> arrange;
    std::string message;
  };
  const std::vector<Case> cases{
      {"analyser", [](auto& p) { p.analyzerStartError = "model corrupt"; }, "could not start: model corrupt"},
      {"format", [](auto& p) { p.analyzerFormat.reset(); }, "could not start: no usable audio format"},
      {"converter", [](auto& p) { p.converterAvailable = false; }, "could not start: no usable audio format"},
      {"engine", [](auto& p) { p.engineStartError = "device busy"; }, "could not start: device busy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scripted::ScriptedPlatform fresh;
    c.arrange(fresh);
    asio::io_context context;
    auto lines = makeStream<std::string>();
    {
      Session s(fresh, context.get_executor());
      asio::co_spawn(context, s.run(lines), asio::detached);
      lines->yield(R"({"cmd":"start"})");
      while (context.poll() > 0) context.restart();
      lines->finish();
      context.restart();
      context.run();
      EXPECT_FALSE(fresh.engine().tapInstalled());
    }
    EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), error(c.message), state("idle")}));
  }
}

TEST_F(SessionTest, EngineFailureClosesTapAndDeviceAtTeardown) {
  platform.engineStartError = "device busy";
  begin();
  send("start");
  auto tap = std::find(platform.calls.begin(), platform.calls.end(), "installTap 4096");
  ASSERT_NE(tap, platform.calls.end());
  EXPECT_EQ(std::vector<std::string>(tap, platform.calls.end()),
            (std::vector<std::string>{"installTap 4096", "engine.start", "removeTap", "engine.stop"}));
}

TEST_F(SessionTest, StopWhileTheMicrophoneOpensNeverListens) {
  platform.engineOpen.hold();
  begin();
  send("start");
  send("stop");
  EXPECT_EQ(events(), (Events{readyEvent(true), state("ready"), state("idle")}));
  platform.engineOpen.release();
  settle();
  EXPECT_EQ(events(), Events{});
  EXPECT_FALSE(called("engine.start"));
  platform.engineOpen.release();
  send("start");
  EXPECT_EQ(events(), (Events{state("ready"), state("listening")}));
}

TEST_F(SessionTest, LostMicrophoneEndsTheAnalyserInputWithTheReason) {
  listen();
  platform.engine().deliver(constant(0));
  platform.engine().lose("connection terminated");
  auto& input = *platform.analyzerInputs.at(0);
  EXPECT_TRUE(input.pop());
  EXPECT_FALSE(input.pop());
  EXPECT_EQ(input.failure(), "the microphone was lost: connection terminated");
}

TEST_F(SessionTest, TranscriptionFailureKeepsListening) {
  listen();
  platform.transcribers.back()->results()->fail("decoder crashed");
  settle();
  platform.engine().deliver(constant(0));
  EXPECT_EQ(events(), (Events{error("transcription stopped: decoder crashed"), level(0)}));
}

TEST_F(SessionTest, EndOfInputWhileListeningFinalises) {
  platform.resultsAtFinalize = {{"last words", true}};
  platform.soundFiles[paths(Chime::end)[0]] = 0.2;
  listen();
  endInput();
  EXPECT_EQ(events(), (Events{state("idle"), final("last words", 0)}));
  EXPECT_FALSE(called(played(Chime::end)));  // the exit would cut it short
  EXPECT_TRUE(finished);
}

TEST_F(SessionTest, ChimeCandidatesAreTriedInOrder) {
  const auto first = paths(Chime::begin)[0];
  const auto second = paths(Chime::begin)[1];
  struct Case {
    std::map<std::string, double> files;
    std::set<std::string> undecodable;
    std::vector<int64_t> sleeps;
  };
  const std::vector<Case> cases{
      {{{second, 0.25}}, {}, {250000000}},
      {{{second, 0.25}}, {first}, {250000000}},
      {{}, {first}, {}},
  };
  for (const auto& c : cases) {
    scripted::ScriptedPlatform fresh;
    fresh.soundFiles = c.files;
    fresh.undecodable = c.undecodable;
    asio::io_context context;
    auto lines = makeStream<std::string>();
    {
      Session s(fresh, context.get_executor());
      asio::co_spawn(context, s.run(lines), asio::detached);
      lines->yield(R"({"cmd":"start"})");
      while (context.poll() > 0) context.restart();
      fresh.advance(1);
      lines->finish();
      context.restart();
      context.run();
    }
    events();
    const bool playsSecond = c.files.contains(second);
    EXPECT_EQ(std::count(fresh.calls.begin(), fresh.calls.end(), "play " + second), playsSecond ? 1 : 0);
    EXPECT_EQ(std::count(fresh.calls.begin(), fresh.calls.end(), "play " + first), 0);
    EXPECT_EQ(fresh.sleeps, c.sleeps);
  }
}

}  // namespace
}  // namespace dictate::testing
