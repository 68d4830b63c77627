#include "platform/linux/capture_engine.h"

#include "platform/linux/audio_devices.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace dictate::device {

namespace {

constexpr unsigned preferredRate = 48000;
// How long a device may take to open or start before it counts as absent. A server under
// load answers in well under a tenth of this.
constexpr auto answerTimeout = std::chrono::milliseconds(1500);

}  // namespace

struct CaptureEngine::Tap {
  std::mutex mutex;
  uint32_t bufferSize = 0;
  TapHandler handler;
  LossHandler lost;
};

// Shared between the engine and its capture thread, which outlives the engine's interest in
// it when the device stops answering: then the thread closes the device once it returns.
struct CaptureEngine::Capture {
  std::atomic<bool> stopping = false;
  StreamPtr<AudioFormat> opened = makeStream<AudioFormat>();
  StreamPtr<std::shared_ptr<Tap>> starts = makeStream<std::shared_ptr<Tap>>();
  StreamPtr<Failure> started = makeStream<Failure>();

  void abandon() {
    stopping = true;
    opened->finish();
    starts->finish();
    started->finish();
  }
};

namespace {

std::unique_ptr<CaptureDevice> openMicrophone() {
  if (auto pulse = openPulseCapture(preferredRate)) return pulse;
  return openAlsaCapture(preferredRate);
}

void deliver(CaptureDevice& device, CaptureEngine::Tap& tap, const std::atomic<bool>& stopping) {
  const AudioFormat format = device.format();
  const uint32_t size = tap.bufferSize;
  AudioBuffer buffer{format, size, std::vector<float>(size_t(size) * format.channels)};
  size_t filled = 0;
  while (!stopping) {
    auto got = device.read(buffer.samples.data() + filled * format.channels, size - filled);
    if (auto* why = std::get_if<std::string>(&got)) {
      std::lock_guard lock(tap.mutex);
      if (!stopping && tap.lost) tap.lost(*why);
      return;
    }
    filled += std::get<size_t>(got);
    if (filled < size) continue;
    filled = 0;
    std::lock_guard lock(tap.mutex);
    if (tap.handler) tap.handler(buffer);
  }
}

void run(std::shared_ptr<CaptureEngine::Capture> capture) {
  auto device = openMicrophone();
  if (!device) {
    capture->opened->yield({0, 1});
    return;
  }
  capture->opened->yield(device->format());
  auto tap = capture->starts->pop();
  if (!tap || capture->stopping) return;
  auto failure = device->start();
  capture->started->yield(failure);
  if (!failure) deliver(*device, **tap, capture->stopping);
}

}  // namespace

CaptureEngine::~CaptureEngine() { stop(); }

asio::awaitable<AudioFormat> CaptureEngine::inputFormat() {
  if (format_) co_return *format_;
  if (!capture_) {
    capture_ = std::make_shared<Capture>();
    std::thread(run, capture_).detach();
  }
  auto capture = capture_;
  auto format = co_await capture->opened->next(answerTimeout);
  if (capture != capture_) co_return AudioFormat{0, 1};  // stopped meanwhile
  if (!format || !(format->sampleRate > 0)) {
    stop();
    co_return AudioFormat{0, 1};
  }
  format_ = format;
  co_return *format;
}

void CaptureEngine::installTap(uint32_t bufferSize, AudioFormat, TapHandler handler, LossHandler lost) {
  removeTap();
  tap_ = std::make_shared<Tap>();
  tap_->bufferSize = bufferSize;
  tap_->handler = std::move(handler);
  tap_->lost = std::move(lost);
}

void CaptureEngine::removeTap() {
  if (!tap_) return;
  std::lock_guard lock(tap_->mutex);
  tap_->handler = nullptr;
  tap_->lost = nullptr;
  tap_.reset();
}

asio::awaitable<Failure> CaptureEngine::start() {
  if (running_) co_return std::nullopt;
  if (!format_ || !tap_) co_return "the microphone is not open";
  auto capture = capture_;
  capture->starts->yield(tap_);
  auto answer = co_await capture->started->next(answerTimeout);
  if (capture != capture_) co_return "the microphone was closed while it started";
  if (!answer) {
    stop();
    co_return "the microphone does not answer";
  }
  if (*answer) {
    stop();
    co_return *answer;
  }
  running_ = true;
  co_return std::nullopt;
}

void CaptureEngine::stop() {
  if (!capture_) return;
  capture_->abandon();
  capture_.reset();
  format_.reset();
  running_ = false;
}

}  // namespace dictate::device
