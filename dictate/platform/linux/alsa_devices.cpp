#include "platform/linux/audio_devices.h"

#include <alsa/asoundlib.h>

namespace dictate::device {

namespace {

constexpr snd_pcm_uframes_t capturePeriodFrames = 1024;
// How long a read waits for the device before it gives its caller the turn again.
constexpr int waitMillis = 50;
constexpr unsigned playbackLatencyMicros = 100000;

class AlsaCapture : public CaptureDevice {
public:
  AlsaCapture(snd_pcm_t* pcm, unsigned rate) : pcm_(pcm), rate_(rate) {}
  ~AlsaCapture() override {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
  }
  AudioFormat format() const override { return {double(rate_), 1}; }

  Failure start() override {
    int error = snd_pcm_prepare(pcm_);
    if (error >= 0) error = snd_pcm_start(pcm_);
    if (error < 0) return std::string("the capture device cannot start: ") + snd_strerror(error);
    return std::nullopt;
  }

  std::variant<size_t, std::string> read(float* into, size_t frames) override {
    if (snd_pcm_wait(pcm_, waitMillis) == 0) return size_t(0);
    snd_pcm_sframes_t n = snd_pcm_readi(pcm_, into, frames);
    if (n == -EAGAIN) return size_t(0);
    if (n >= 0) return size_t(n);
    if (int error = snd_pcm_recover(pcm_, int(n), 1); error < 0) return std::string(snd_strerror(error));
    // After an overrun the device is only prepared, and waiting alone would never start it.
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED)
      if (int error = snd_pcm_start(pcm_); error < 0) return std::string(snd_strerror(error));
    return size_t(0);
  }

private:
  snd_pcm_t* pcm_;
  unsigned rate_;
};

class AlsaPlayback : public PlaybackDevice {
public:
  AlsaPlayback(snd_pcm_t* pcm, unsigned rate, unsigned channels) : pcm_(pcm), rate_(rate), channels_(channels) {}
  ~AlsaPlayback() override {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
  }

  bool write(const float* samples, size_t frames) override {
    for (size_t done = 0; done < frames;) {
      snd_pcm_sframes_t n = snd_pcm_writei(pcm_, samples + done * channels_, frames - done);
      if (n < 0 && snd_pcm_recover(pcm_, int(n), 1) < 0) return false;
      if (n > 0) done += size_t(n);
    }
    return true;
  }

  std::optional<double> pending() override {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) < 0) return std::nullopt;
    return double(delay) / rate_;
  }

private:
  snd_pcm_t* pcm_;
  unsigned rate_;
  unsigned channels_;
};

}  // namespace

std::unique_ptr<CaptureDevice> openAlsaCapture(unsigned rate) {
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) return nullptr;
  snd_pcm_hw_params_t* hw;
  snd_pcm_hw_params_alloca(&hw);
  unsigned channels = 1;
  snd_pcm_uframes_t period = capturePeriodFrames;
  bool ok = snd_pcm_hw_params_any(pcm, hw) >= 0 &&
            snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
            snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_FLOAT_LE) >= 0 &&
            snd_pcm_hw_params_set_channels(pcm, hw, channels) >= 0 &&
            snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr) >= 0 &&
            snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr) >= 0 &&
            snd_pcm_hw_params(pcm, hw) >= 0;
  if (!ok) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::make_unique<AlsaCapture>(pcm, rate);
}

std::unique_ptr<PlaybackDevice> openAlsaPlayback(unsigned rate, unsigned channels) {
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_FLOAT_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1,
                         playbackLatencyMicros) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::make_unique<AlsaPlayback>(pcm, rate, channels);
}

}  // namespace dictate::device
