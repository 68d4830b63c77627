#include "platform/linux/alsa_engine.h"

namespace dictate::alsa {

namespace {

constexpr unsigned preferredRate = 48000;
constexpr snd_pcm_uframes_t periodFrames = 1024;
// How long the capture thread waits for the device before it looks at its stop flag again.
constexpr int waitMillis = 50;

}  // namespace

CaptureEngine::~CaptureEngine() { stop(); }

bool CaptureEngine::open() {
  if (pcm_) return true;
  if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) {
    pcm_ = nullptr;
    return false;
  }
  snd_pcm_hw_params_t* hw;
  snd_pcm_hw_params_alloca(&hw);
  unsigned rate = preferredRate;
  unsigned channels = 1;
  snd_pcm_uframes_t period = periodFrames;
  bool ok = snd_pcm_hw_params_any(pcm_, hw) >= 0 &&
            snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
            snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_FLOAT_LE) >= 0 &&
            snd_pcm_hw_params_set_channels_near(pcm_, hw, &channels) >= 0 &&
            snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, nullptr) >= 0 &&
            snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, nullptr) >= 0 &&
            snd_pcm_hw_params(pcm_, hw) >= 0;
  if (!ok) {
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
    return false;
  }
  format_ = {double(rate), channels};
  return true;
}

AudioFormat CaptureEngine::inputFormat() { return open() ? format_ : AudioFormat{0, 1}; }

void CaptureEngine::installTap(uint32_t bufferSize, AudioFormat, TapHandler handler) {
  std::lock_guard lock(handlerMutex_);
  bufferSize_ = bufferSize;
  handler_ = std::move(handler);
}

void CaptureEngine::removeTap() {
  std::lock_guard lock(handlerMutex_);
  handler_ = nullptr;
}

Failure CaptureEngine::start() {
  if (isRunning()) return std::nullopt;
  if (!open()) return "the capture device cannot be opened";
  int error = snd_pcm_prepare(pcm_);
  if (error >= 0) error = snd_pcm_start(pcm_);
  if (error < 0) return std::string("the capture device cannot start: ") + snd_strerror(error);
  stopping_ = false;
  thread_ = std::thread([this] { capture(); });
  return std::nullopt;
}

void CaptureEngine::stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    thread_.join();  // the thread notices within one wait
  }
  if (pcm_) {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
  }
}

void CaptureEngine::capture() {
  AudioBuffer buffer{format_, bufferSize_, std::vector<float>(size_t(bufferSize_) * format_.channels)};
  snd_pcm_uframes_t filled = 0;
  while (!stopping_) {
    if (snd_pcm_wait(pcm_, waitMillis) == 0) continue;
    snd_pcm_sframes_t n =
        snd_pcm_readi(pcm_, buffer.samples.data() + filled * format_.channels, bufferSize_ - filled);
    if (n == -EAGAIN) continue;
    if (n < 0) {
      if (snd_pcm_recover(pcm_, int(n), 1) < 0) return;
      // After an overrun the device is only prepared, and waiting alone would never start it.
      if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm_) < 0) return;
      continue;
    }
    filled += snd_pcm_uframes_t(n);
    if (filled < bufferSize_) continue;
    filled = 0;
    std::lock_guard lock(handlerMutex_);
    if (handler_) handler_(buffer);
  }
}

}  // namespace dictate::alsa
