#pragma once

#include "platform/audio.h"
#include "platform/stream.h"

#include <asio.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace dictate {

// A failure of a platform component; what() is the component's own description.
class PlatformError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TranscriptionResult {
  std::string text;
  bool isFinal = false;
};

using AnalyzerInputStream = Stream<AudioBuffer>;
using ResultStream = Stream<TranscriptionResult>;

// Recognises one locale with progressive results (partials as well as finals).
class Transcriber {
public:
  virtual ~Transcriber() = default;
  // Ends after the analyser it belongs to has been finalised; StreamFailure on a recogniser
  // failure.
  virtual StreamPtr<TranscriptionResult> results() = 0;
};

class InstallationRequest {
public:
  virtual ~InstallationRequest() = default;
  // Returns once the model is installed; throws PlatformError.
  virtual asio::awaitable<void> downloadAndInstall() = 0;
};

class Analyzer {
public:
  virtual ~Analyzer() = default;
  // Starts analysing `input` until it ends; throws PlatformError when analysis cannot begin.
  virtual asio::awaitable<void> start(StreamPtr<AudioBuffer> input) = 0;
  // Returns once the input finished by the caller has been analysed, its last results have
  // been delivered and the results sequence has ended; throws PlatformError.
  virtual asio::awaitable<void> finalizeAndFinishThroughEndOfInput() = 0;
};

// Called on the engine's audio thread, one call at a time, with each captured buffer.
using TapHandler = std::function<void(const AudioBuffer&)>;

class AudioEngine {
public:
  virtual ~AudioEngine() = default;
  // The microphone's own format; a sample rate of 0 means there is no microphone.
  virtual AudioFormat inputFormat() = 0;
  virtual void installTap(uint32_t bufferSize, AudioFormat format, TapHandler handler) = 0;
  virtual void removeTap() = 0;
  // Throws PlatformError.
  virtual void start() = 0;
  virtual bool isRunning() = 0;
  virtual void stop() = 0;
};

// Sample-rate conversion with state carried from one buffer to the next.
class Converter {
public:
  virtual ~Converter() = default;
  // Consumes all of `input` and fills the empty `output` with up to its frameCapacity frames;
  // false on a conversion error.
  virtual bool convert(const AudioBuffer& input, AudioBuffer& output) = 0;
};

class SoundPlayer {
public:
  virtual ~SoundPlayer() = default;
  // Starts playback without waiting; releasing the player stops it.
  virtual void play() = 0;
  virtual double duration() const = 0;
};

// The speech and audio services the dictation session is built on. Locales are BCP 47
// identifiers. Awaitable operations run on the caller's executor and may suspend.
class SpeechPlatform {
public:
  virtual ~SpeechPlatform() = default;

  // Why this system cannot dictate at all, or none when it can.
  virtual std::optional<std::string> unsupportedSystemReason() = 0;

  virtual asio::awaitable<std::optional<std::string>> supportedLocale(std::string equivalentTo) = 0;
  virtual asio::awaitable<std::vector<std::string>> installedLocales() = 0;
  virtual std::shared_ptr<Transcriber> makeTranscriber(const std::string& locale) = 0;
  // None when there is nothing to install; throws PlatformError.
  virtual asio::awaitable<std::unique_ptr<InstallationRequest>> assetInstallationRequest(
      std::shared_ptr<Transcriber> transcriber) = 0;
  virtual std::shared_ptr<Analyzer> makeAnalyzer(std::shared_ptr<Transcriber> transcriber) = 0;
  virtual asio::awaitable<std::optional<AudioFormat>> bestAvailableAudioFormat(
      std::shared_ptr<Transcriber> transcriber) = 0;

  // The user's answer to the microphone permission request.
  virtual asio::awaitable<bool> requestMicrophoneAccess() = 0;

  virtual std::unique_ptr<AudioEngine> makeAudioEngine() = 0;
  // None when no conversion between the formats exists.
  virtual std::shared_ptr<Converter> makeConverter(AudioFormat from, AudioFormat to) = 0;
  // Throws PlatformError when the file cannot be decoded.
  virtual std::unique_ptr<SoundPlayer> makePlayer(const std::string& path) = 0;
  virtual bool fileExists(const std::string& path) = 0;

  // Seconds on a monotonic clock.
  virtual double now() = 0;
  virtual asio::awaitable<void> sleep(int64_t nanoseconds) = 0;
};

}  // namespace dictate
