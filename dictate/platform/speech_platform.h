#pragma once

#include "platform/audio.h"
#include "platform/stream.h"

#include <asio.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dictate {

// How an operation that can fail ends: none on success, otherwise the failing component's own
// description of what went wrong. Platform operations never throw.
using Failure = std::optional<std::string>;

struct TranscriptionResult {
  std::string text;
  bool isFinal = false;
};

// Recognises one locale with progressive results (partials as well as finals).
class Transcriber {
public:
  virtual ~Transcriber() = default;
  // The results of the analyser this transcriber belongs to, one stream per transcriber. It
  // ends after that analyser has been finalised, or carries failure() when recognition broke
  // down; a transcriber whose analyser never started gives a stream that never ends.
  virtual StreamPtr<TranscriptionResult> results() = 0;
};

class InstallationRequest {
public:
  virtual ~InstallationRequest() = default;
  // Completes once the model is installed; a Failure when the download or installation failed.
  virtual asio::awaitable<Failure> downloadAndInstall() = 0;
};

// What asking for a model installation gives: a request to carry out, nothing to install
// (request and failure both empty), or the reason no request could be made.
struct InstallationAnswer {
  std::unique_ptr<InstallationRequest> request;
  Failure failure;
};

class Analyzer {
public:
  virtual ~Analyzer() = default;
  // Analyses `input` until it ends; a Failure when analysis cannot begin, after which the
  // analyser must not be finalised.
  virtual asio::awaitable<Failure> start(StreamPtr<AudioBuffer> input) = 0;
  // Only after a successful start() and once the caller has finished the input: completes when
  // that input has been analysed, its last results delivered and the results stream ended. A
  // Failure means the last results may be missing; the results stream has ended all the same.
  virtual asio::awaitable<Failure> finalizeAndFinishThroughEndOfInput() = 0;
};

// Called on the engine's audio thread, one call at a time, with each captured buffer.
using TapHandler = std::function<void(const AudioBuffer&)>;
// Called on the engine's audio thread at most once, when the device stops delivering audio of
// its own accord (unplugged, its sound server gone), with the device's description of why.
using LossHandler = std::function<void(const std::string& description)>;

// The microphone's capture graph. Calls come from one thread (the session's executor), and
// none of them waits on the device: a device that does not answer within a bounded time is
// abandoned and counts as absent.
class AudioEngine {
public:
  virtual ~AudioEngine() = default;
  // Opens the default microphone unless it is open, and gives its own format; a sample rate of
  // 0 when there is no usable microphone or it does not answer. Completes early when stop() is
  // called meanwhile.
  virtual asio::awaitable<AudioFormat> inputFormat() = 0;
  // Replaces any handlers installed before; never fails.
  virtual void installTap(uint32_t bufferSize, AudioFormat format, TapHandler handler, LossHandler lost) = 0;
  // Once it returns the handlers are never called again; no effect without a tap.
  virtual void removeTap() = 0;
  // Begins capturing into the tap; a Failure when the device is not open, cannot start or does
  // not answer. Completes early, with a Failure, when stop() is called meanwhile.
  virtual asio::awaitable<Failure> start() = 0;
  virtual bool isRunning() = 0;
  // Stops capturing and closes the device, whether started or only open; returns at once, the
  // device being closed in the background. No effect when nothing is open.
  virtual void stop() = 0;
};

// Sample-rate conversion with state carried from one buffer to the next.
class Converter {
public:
  virtual ~Converter() = default;
  // Consumes all of `input` and fills the empty `output` with up to its frameCapacity frames;
  // false on a conversion error, with `output` left empty.
  virtual bool convert(const AudioBuffer& input, AudioBuffer& output) = 0;
};

class SoundPlayer {
public:
  virtual ~SoundPlayer() = default;
  // Starts playback without waiting; a sound that cannot reach a device is silently not heard.
  // Releasing the player stops it, also without waiting on the device.
  virtual void play() = 0;
  // Seconds; never fails.
  virtual double duration() const = 0;
};

// The speech and audio services the dictation session is built on. Locales are BCP 47
// identifiers. Awaitable operations run on the caller's executor, may suspend there (other work
// on that executor runs meanwhile) and never throw.
class SpeechPlatform {
public:
  virtual ~SpeechPlatform() = default;

  // Why this system cannot dictate at all (a complete sentence for the host), or none.
  virtual std::optional<std::string> unsupportedSystemReason() = 0;

  // The supported locale equivalent to `equivalentTo`, or none when no such locale exists.
  virtual asio::awaitable<std::optional<std::string>> supportedLocale(std::string equivalentTo) = 0;
  // The locales whose models are installed; empty when none is or the query fails.
  virtual asio::awaitable<std::vector<std::string>> installedLocales() = 0;
  // A transcriber with progressive results; never fails (problems show at the analyser).
  virtual std::shared_ptr<Transcriber> makeTranscriber(const std::string& locale) = 0;
  virtual asio::awaitable<InstallationAnswer> assetInstallationRequest(
      std::shared_ptr<Transcriber> transcriber) = 0;
  // Never fails (problems show at start()).
  virtual std::shared_ptr<Analyzer> makeAnalyzer(std::shared_ptr<Transcriber> transcriber) = 0;
  // The format the analyser takes, or none when it takes no format this platform can produce.
  virtual asio::awaitable<std::optional<AudioFormat>> bestAvailableAudioFormat(
      std::shared_ptr<Transcriber> transcriber) = 0;

  // The user's answer to the microphone permission request; the answer may take as long as the
  // user does, and a prompt that cannot be shown counts as refused.
  virtual asio::awaitable<bool> requestMicrophoneAccess() = 0;

  // The engine of the default microphone; never fails (no microphone shows in inputFormat()).
  virtual std::unique_ptr<AudioEngine> makeAudioEngine() = 0;
  // Null when no conversion between the formats exists.
  virtual std::shared_ptr<Converter> makeConverter(AudioFormat from, AudioFormat to) = 0;
  // Null when the file cannot be read or decoded.
  virtual std::unique_ptr<SoundPlayer> makePlayer(const std::string& path) = 0;
  virtual bool fileExists(const std::string& path) = 0;

  // Seconds on a monotonic clock.
  virtual double now() = 0;
  // Completes after `nanoseconds`, or earlier when interrupted; never fails.
  virtual asio::awaitable<void> sleep(int64_t nanoseconds) = 0;
};

}  // namespace dictate
