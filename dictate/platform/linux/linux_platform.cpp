#include "platform/linux/linux_platform.h"

#include "platform/linux/capture_engine.h"
#include "platform/linux/recognizer.h"
#include "platform/linux/soxr_converter.h"
#include "platform/linux/sound_player.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <sys/stat.h>

namespace dictate {

namespace {

constexpr const char* recognisedLocale = "en-US";
constexpr AudioFormat decoderFormat{sphinx::decoderRate, 1};

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class SphinxTranscriber : public Transcriber {
public:
  StreamPtr<TranscriptionResult> results() override { return results_; }

private:
  StreamPtr<TranscriptionResult> results_ = makeStream<TranscriptionResult>();
};

class SphinxAnalyzer : public Analyzer {
public:
  SphinxAnalyzer(sphinx::Recognizer& recognizer, std::shared_ptr<Transcriber> transcriber)
      : recognizer_(recognizer), transcriber_(std::move(transcriber)) {}

  asio::awaitable<Failure> start(StreamPtr<AudioBuffer> input) override {
    auto started = makeStream<Failure>();
    recognizer_.submit({std::move(input), transcriber_->results(), started, done_});
    auto answer = co_await started->next();
    co_return answer ? *answer : Failure("the speech recogniser has stopped");
  }

  asio::awaitable<Failure> finalizeAndFinishThroughEndOfInput() override {
    co_await done_->next();
    co_return std::nullopt;
  }

private:
  sphinx::Recognizer& recognizer_;
  std::shared_ptr<Transcriber> transcriber_;
  StreamPtr<std::monostate> done_ = makeStream<std::monostate>();
};

class LinuxPlatform : public SpeechPlatform {
public:
  explicit LinuxPlatform(double maxUtteranceSeconds) : recognizer_(maxUtteranceSeconds) {
    snd_lib_error_set_handler(ignoreAlsaError);
  }

  std::optional<std::string> unsupportedSystemReason() override { return std::nullopt; }

  asio::awaitable<std::optional<std::string>> supportedLocale(std::string equivalentTo) override {
    std::string language = equivalentTo.substr(0, equivalentTo.find_first_of("-_"));
    std::transform(language.begin(), language.end(), language.begin(), [](unsigned char c) { return std::tolower(c); });
    if (language != "en") co_return std::nullopt;
    co_return recognisedLocale;
  }

  asio::awaitable<std::vector<std::string>> installedLocales() override {
    if (!sphinx::modelPresent()) co_return std::vector<std::string>{};
    // Whoever asks is about to dictate: have the model loaded by then.
    recognizer_.preload();
    co_return std::vector<std::string>{recognisedLocale};
  }

  std::shared_ptr<Transcriber> makeTranscriber(const std::string&) override {
    return std::make_shared<SphinxTranscriber>();
  }

  asio::awaitable<InstallationAnswer> assetInstallationRequest(std::shared_ptr<Transcriber>) override {
    // Nothing can be downloaded here: the model comes from a Debian package.
    if (!sphinx::modelPresent()) co_return InstallationAnswer{nullptr, sphinx::missingModel};
    co_return InstallationAnswer{};
  }

  std::shared_ptr<Analyzer> makeAnalyzer(std::shared_ptr<Transcriber> transcriber) override {
    return std::make_shared<SphinxAnalyzer>(recognizer_, std::move(transcriber));
  }

  asio::awaitable<std::optional<AudioFormat>> bestAvailableAudioFormat(std::shared_ptr<Transcriber>) override {
    co_return decoderFormat;
  }

  asio::awaitable<bool> requestMicrophoneAccess() override {
    co_await asio::post(co_await asio::this_coro::executor, asio::use_awaitable);
    co_return true;
  }

  std::unique_ptr<AudioEngine> makeAudioEngine() override { return std::make_unique<device::CaptureEngine>(); }

  std::shared_ptr<Converter> makeConverter(AudioFormat from, AudioFormat to) override {
    return device::SoxrConverter::make(from, to);
  }

  std::unique_ptr<SoundPlayer> makePlayer(const std::string& path) override {
    return device::FilePlayer::load(path);
  }

  bool fileExists(const std::string& path) override {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
  }

  double now() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }

  asio::awaitable<void> sleep(int64_t nanoseconds) override {
    asio::steady_timer timer(co_await asio::this_coro::executor, std::chrono::nanoseconds(nanoseconds));
    std::error_code ignored;
    co_await timer.async_wait(asio::redirect_error(asio::use_awaitable, ignored));
  }

private:
  sphinx::Recognizer recognizer_;
};

}  // namespace

std::unique_ptr<SpeechPlatform> makeLinuxPlatform(double maxUtteranceSeconds) {
  return std::make_unique<LinuxPlatform>(maxUtteranceSeconds);
}

}  // namespace dictate
