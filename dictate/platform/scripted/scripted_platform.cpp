#include "platform/scripted/scripted_platform.h"

#include <algorithm>

namespace dictate::scripted {

namespace {

// Returns control to the executor so every platform call is a real suspension point.
asio::awaitable<void> suspend() {
  co_await asio::post(co_await asio::this_coro::executor, asio::use_awaitable);
}

class Request : public InstallationRequest {
public:
  explicit Request(ScriptedPlatform& platform) : platform_(platform) {}
  asio::awaitable<Failure> downloadAndInstall() override {
    platform_.record("downloadAndInstall");
    co_await platform_.download.pass();
    if (platform_.installation == Installation::downloadFails) co_return "network unreachable";
    platform_.installed.push_back(*platform_.supported);
    co_return std::nullopt;
  }

private:
  ScriptedPlatform& platform_;
};

class ScriptedAnalyzer : public Analyzer {
public:
  ScriptedAnalyzer(ScriptedPlatform& platform, std::shared_ptr<Transcriber> transcriber)
      : platform_(platform), transcriber_(std::move(transcriber)) {}

  asio::awaitable<Failure> start(StreamPtr<AudioBuffer> input) override {
    platform_.record("analyzer.start");
    platform_.analyzerInputs.push_back(std::move(input));
    co_await platform_.analyzerStart.pass();
    platform_.advance(platform_.analyzerStartSeconds);
    co_return platform_.analyzerStartError;
  }

  asio::awaitable<Failure> finalizeAndFinishThroughEndOfInput() override {
    platform_.record("finalize");
    co_await suspend();
    auto results = transcriber_->results();
    for (const auto& result : platform_.resultsAtFinalize) results->yield(result);
    results->finish();
    co_return std::nullopt;
  }

private:
  ScriptedPlatform& platform_;
  std::shared_ptr<Transcriber> transcriber_;
};

// Keeps every third sample: enough to see frames flow and capacities honoured.
class Decimator : public Converter {
public:
  Decimator(ScriptedPlatform& platform) : platform_(platform) {}
  bool convert(const AudioBuffer& input, AudioBuffer& output) override {
    platform_.convertedCapacities.push_back(output.frameCapacity);
    if (platform_.converterFails) return false;
    for (size_t i = 0; i < input.samples.size() && output.frameLength() < output.frameCapacity; i += 3)
      output.samples.push_back(input.samples[i]);
    return true;
  }

private:
  ScriptedPlatform& platform_;
};

class Player : public SoundPlayer {
public:
  Player(ScriptedPlatform& platform, std::string path, double duration)
      : platform_(platform), path_(std::move(path)), duration_(duration) {}
  void play() override { platform_.record("play " + path_); }
  double duration() const override { return duration_; }

private:
  ScriptedPlatform& platform_;
  std::string path_;
  double duration_;
};

}  // namespace

asio::awaitable<void> Gate::pass() {
  if (held_) co_await released_->next();
  else co_await suspend();
}

asio::awaitable<AudioFormat> ScriptedEngine::inputFormat() {
  platform_.record("engine.open");
  const int stops = stops_;
  co_await platform_.engineOpen.pass();
  if (stops != stops_) co_return AudioFormat{0, 1};  // a stop abandons the opening device
  co_return platform_.microphone;
}

void ScriptedEngine::installTap(uint32_t bufferSize, AudioFormat, TapHandler handler, LossHandler lost) {
  platform_.record("installTap " + std::to_string(bufferSize));
  handler_ = std::move(handler);
  lost_ = std::move(lost);
}

void ScriptedEngine::removeTap() {
  platform_.record("removeTap");
  handler_ = nullptr;
  lost_ = nullptr;
}

asio::awaitable<Failure> ScriptedEngine::start() {
  platform_.record("engine.start");
  co_await suspend();
  if (platform_.engineStartError) co_return platform_.engineStartError;
  running_ = true;
  co_return std::nullopt;
}

void ScriptedEngine::stop() {
  platform_.record("engine.stop");
  running_ = false;
  ++stops_;
}

void ScriptedEngine::deliver(const AudioBuffer& buffer) {
  if (handler_) handler_(buffer);
}

void ScriptedEngine::lose(const std::string& description) {
  running_ = false;
  if (lost_) lost_(description);
}

void ScriptedPlatform::advance(double seconds) {
  now_ += seconds;
  std::erase_if(sleepers_, [&](const auto& sleeper) {
    if (sleeper.first > now_ + 1e-9) return false;
    sleeper.second->yield(std::monostate{});
    return true;
  });
}

asio::awaitable<std::optional<std::string>> ScriptedPlatform::supportedLocale(std::string) {
  co_await suspend();
  co_return supported;
}

asio::awaitable<std::vector<std::string>> ScriptedPlatform::installedLocales() {
  co_await suspend();
  co_return installed;
}

std::shared_ptr<Transcriber> ScriptedPlatform::makeTranscriber(const std::string&) {
  transcribers.push_back(std::make_shared<ScriptedTranscriber>());
  return transcribers.back();
}

asio::awaitable<InstallationAnswer> ScriptedPlatform::assetInstallationRequest(std::shared_ptr<Transcriber>) {
  record("assetInstallationRequest");
  co_await suspend();
  if (installation == Installation::requestFails) co_return InstallationAnswer{nullptr, "asset catalog unavailable"};
  if (installation == Installation::nothingToInstall) co_return InstallationAnswer{};
  co_return InstallationAnswer{std::make_unique<Request>(*this), std::nullopt};
}

std::shared_ptr<Analyzer> ScriptedPlatform::makeAnalyzer(std::shared_ptr<Transcriber> transcriber) {
  return std::make_shared<ScriptedAnalyzer>(*this, std::move(transcriber));
}

asio::awaitable<std::optional<AudioFormat>> ScriptedPlatform::bestAvailableAudioFormat(
    std::shared_ptr<Transcriber>) {
  co_await suspend();
  co_return analyzerFormat;
}

asio::awaitable<bool> ScriptedPlatform::requestMicrophoneAccess() {
  record("requestMicrophoneAccess");
  if (permission) {
    co_await suspend();
    co_return *permission;
  }
  co_return (co_await permissionAnswers_->next()).value_or(false);
}

std::unique_ptr<AudioEngine> ScriptedPlatform::makeAudioEngine() {
  auto engine = std::make_unique<ScriptedEngine>(*this);
  engine_ = engine.get();
  return engine;
}

std::shared_ptr<Converter> ScriptedPlatform::makeConverter(AudioFormat, AudioFormat) {
  if (!converterAvailable) return nullptr;
  return std::make_shared<Decimator>(*this);
}

std::unique_ptr<SoundPlayer> ScriptedPlatform::makePlayer(const std::string& path) {
  if (undecodable.contains(path)) return nullptr;
  return std::make_unique<Player>(*this, path, soundFiles.at(path));
}

bool ScriptedPlatform::fileExists(const std::string& path) {
  return soundFiles.contains(path) || undecodable.contains(path);
}

asio::awaitable<void> ScriptedPlatform::sleep(int64_t nanoseconds) {
  sleeps.push_back(nanoseconds);
  auto woken = makeStream<std::monostate>();
  sleepers_.emplace_back(now_ + double(nanoseconds) / 1e9, woken);
  co_await woken->next();
}

}  // namespace dictate::scripted
