#pragma once

#include "platform/speech_platform.h"

#include <map>
#include <mutex>
#include <set>
#include <variant>

namespace dictate::scripted {

// An operation that completes at once unless held; a held one waits for release().
class Gate {
public:
  void hold() { held_ = true; }
  void release() { released_->yield(std::monostate{}); }
  asio::awaitable<void> pass();

private:
  bool held_ = false;
  StreamPtr<std::monostate> released_ = makeStream<std::monostate>();
};

class ScriptedTranscriber : public Transcriber {
public:
  StreamPtr<TranscriptionResult> results() override { return results_; }

private:
  StreamPtr<TranscriptionResult> results_ = makeStream<TranscriptionResult>();
};

class ScriptedEngine : public AudioEngine {
public:
  ScriptedEngine(class ScriptedPlatform& platform) : platform_(platform) {}
  asio::awaitable<AudioFormat> inputFormat() override;
  void installTap(uint32_t bufferSize, AudioFormat format, TapHandler handler, LossHandler lost) override;
  void removeTap() override;
  asio::awaitable<Failure> start() override;
  bool isRunning() override { return running_; }
  void stop() override;

  // Plays the audio thread: hands `buffer` to the tap, if one is installed.
  void deliver(const AudioBuffer& buffer);
  // Plays the device going away under the tap.
  void lose(const std::string& description);
  bool tapInstalled() const { return bool(handler_); }

private:
  ScriptedPlatform& platform_;
  TapHandler handler_;
  LossHandler lost_;
  bool running_ = false;
  int stops_ = 0;
};

enum class Installation { nothingToInstall, downloads, requestFails, downloadFails };

// A speech platform whose every answer the test sets, which records the calls made to it and
// whose clock only moves when the test advances it.
class ScriptedPlatform : public SpeechPlatform {
public:
  // Answers, all settable by the test before or during a run.
  std::optional<std::string> unsupportedReason;
  std::optional<std::string> supported = "en-US";
  std::vector<std::string> installed{"en-US"};
  Installation installation = Installation::downloads;
  Gate download;
  std::optional<bool> permission = true;  // none: the answer comes with answerPermission()
  std::optional<std::string> analyzerStartError;
  Gate analyzerStart;
  double analyzerStartSeconds = 0;  // the clock moves on by this much while the analyser starts
  std::optional<AudioFormat> analyzerFormat = AudioFormat{16000, 1};
  std::vector<TranscriptionResult> resultsAtFinalize;
  AudioFormat microphone{48000, 1};
  Gate engineOpen;
  std::optional<std::string> engineStartError;
  bool converterAvailable = true;
  bool converterFails = false;
  std::map<std::string, double> soundFiles;  // path -> duration
  std::set<std::string> undecodable;

  void answerPermission(bool granted) { permissionAnswers_->yield(granted); }
  void advance(double seconds);

  // What the test observes.
  std::vector<std::string> calls;
  std::vector<int64_t> sleeps;
  std::vector<uint32_t> convertedCapacities;
  std::vector<std::shared_ptr<ScriptedTranscriber>> transcribers;
  std::vector<StreamPtr<AudioBuffer>> analyzerInputs;  // what each analyser was started with
  ScriptedEngine& engine() { return *engine_; }
  void record(std::string call) { calls.push_back(std::move(call)); }

  std::optional<std::string> unsupportedSystemReason() override { return unsupportedReason; }
  asio::awaitable<std::optional<std::string>> supportedLocale(std::string equivalentTo) override;
  asio::awaitable<std::vector<std::string>> installedLocales() override;
  std::shared_ptr<Transcriber> makeTranscriber(const std::string& locale) override;
  asio::awaitable<InstallationAnswer> assetInstallationRequest(std::shared_ptr<Transcriber> transcriber) override;
  std::shared_ptr<Analyzer> makeAnalyzer(std::shared_ptr<Transcriber> transcriber) override;
  asio::awaitable<std::optional<AudioFormat>> bestAvailableAudioFormat(
      std::shared_ptr<Transcriber> transcriber) override;
  asio::awaitable<bool> requestMicrophoneAccess() override;
  std::unique_ptr<AudioEngine> makeAudioEngine() override;
  std::shared_ptr<Converter> makeConverter(AudioFormat from, AudioFormat to) override;
  std::unique_ptr<SoundPlayer> makePlayer(const std::string& path) override;
  bool fileExists(const std::string& path) override;
  double now() override { return now_; }
  asio::awaitable<void> sleep(int64_t nanoseconds) override;

private:
  StreamPtr<bool> permissionAnswers_ = makeStream<bool>();
  std::vector<std::pair<double, StreamPtr<std::monostate>>> sleepers_;
  ScriptedEngine* engine_ = nullptr;
  double now_ = 0;
};

}  // namespace dictate::scripted
