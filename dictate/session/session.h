#pragma once

#include "platform/speech_platform.h"
#include "session/chime.h"

#include <asio.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace dictate {

inline constexpr const char* TARGET_LOCALE = "en-US";

// The dictation service's state, touched only on its serial executor: every operation runs
// there, and other session work runs only where an operation co_awaits.
class Session {
public:
  Session(SpeechPlatform& platform, asio::any_io_executor executor);
  ~Session();

  // Announces readiness, then serves `commands` until they end and the session has stopped.
  asio::awaitable<void> run(StreamPtr<std::string> commands);

private:
  // A task on the executor that teardown() can cancel.
  struct CollectorTask {
    asio::cancellation_signal signal;
    bool finished = false;
    StreamPtr<std::monostate> ended = makeStream<std::monostate>();
  };

  asio::awaitable<void> announceReady();
  asio::awaitable<void> prewarm();
  asio::awaitable<void> start();
  // Without the end chime when the process is about to exit, which would only cut it short.
  asio::awaitable<void> stop(bool endChime = true);
  void teardown();
  void closeMicrophone();
  double playChime(Chime chime);
  asio::awaitable<bool> isInstalled(const std::string& locale);
  // A Failure when the analyser cannot start or takes no usable format; nothing is kept then.
  asio::awaitable<Failure> openAnalyzer(std::string locale);
  asio::awaitable<void> collect(std::shared_ptr<Transcriber> transcriber, int64_t run);
  // A Failure when there is no microphone, no conversion, or the engine does not start.
  asio::awaitable<Failure> startMicrophone();

  SpeechPlatform& platform;
  asio::any_io_executor executor;

  std::unique_ptr<AudioEngine> engine;
  std::shared_ptr<Analyzer> analyzer;
  StreamPtr<AudioBuffer> inputContinuation;
  std::shared_ptr<CollectorTask> collector;
  std::optional<std::string> locale;
  std::optional<AudioFormat> analyzerFormat;
  std::unique_ptr<SoundPlayer> chimePlayer;
  bool tapInstalled = false;
  bool listening = false;
  bool starting = false;
  int64_t generation = 0;
};

}  // namespace dictate
