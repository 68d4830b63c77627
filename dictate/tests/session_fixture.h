#pragma once

#include "platform/scripted/scripted_platform.h"
#include "session/chime.h"
#include "session/session.h"
#include "tests/captured_output.h"

#include <gtest/gtest.h>

#include <asio.hpp>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace dictate::testing {

using nlohmann::json;

inline json state(const char* value) { return {{"type", "state"}, {"state", value}}; }
inline json error(const std::string& message) { return {{"type", "error"}, {"message", message}}; }
inline json partial(const std::string& text, int64_t run) { return {{"type", "partial"}, {"text", text}, {"run", run}}; }
inline json final(const std::string& text, int64_t run) { return {{"type", "final"}, {"text", text}, {"run", run}}; }
inline json level(int value) { return {{"type", "level"}, {"value", value}}; }
inline json readyEvent(bool installed) {
  return {{"type", "ready"}, {"ok", true}, {"locale", "en-US"}, {"installed", installed}};
}

inline AudioBuffer constant(float sample, uint32_t frames = 4096, double rate = 48000) {
  return {{rate, 1}, frames, std::vector<float>(frames, sample)};
}

// A session on the scripted platform, driven line by line: every helper runs the executor
// until nothing is left to do, so each step sees the full effect of the one before.
class SessionTest : public ::testing::Test {
protected:
  scripted::ScriptedPlatform platform;
  StreamPtr<std::string> commands = makeStream<std::string>();
  std::optional<Session> session;
  // Declared last so pending tasks are destroyed before the session they belong to.
  asio::io_context io;
  bool finished = false;

  void SetUp() override { takeEvents(); }

  void begin() {
    session.emplace(platform, io.get_executor());
    asio::co_spawn(io, session->run(commands), [this](std::exception_ptr) { finished = true; });
    settle();
  }

  // Runs the executor until it is idle; waiting tasks stay suspended.
  void settle() {
    do io.restart();
    while (io.poll() > 0);
  }

  void line(const std::string& text) {
    commands->yield(text);
    settle();
  }
  void send(const std::string& cmd) { line(R"({"cmd":")" + cmd + R"("})"); }
  void endInput() {
    commands->finish();
    settle();
  }
  void advance(double seconds) {
    platform.advance(seconds);
    settle();
  }

  // Begins and reaches "listening" with the model installed, leaving only those events unread.
  void listen() {
    begin();
    send("start");
    ASSERT_EQ(events(), (std::vector<json>{readyEvent(true), state("ready"), state("listening")}));
  }

  void results(std::vector<TranscriptionResult> values) {
    for (auto& value : values) platform.transcribers.back()->results()->yield(std::move(value));
    settle();
  }

  std::vector<json> events() { return takeEvents(); }

  bool called(const std::string& call) const {
    return std::find(platform.calls.begin(), platform.calls.end(), call) != platform.calls.end();
  }

  static std::string played(Chime chime, size_t candidate = 0) { return "play " + paths(chime).at(candidate); }
};

}  // namespace dictate::testing
