#include "platform/linux/audio_devices.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace dictate::device {

namespace {

constexpr const char* clientName = "dorv-dictate";
// Small record fragments, so that the first audio arrives within a few tens of milliseconds
// of the start rather than after the server's default of about two seconds.
constexpr unsigned fragmentMillis = 10;

pa_simple* connect(pa_stream_direction_t direction, const char* stream, unsigned rate, unsigned channels,
                   const pa_buffer_attr* attributes) {
  const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, rate, uint8_t(channels)};
  int error = 0;
  return pa_simple_new(nullptr, clientName, direction, nullptr, stream, &format, nullptr, attributes, &error);
}

class PulseCapture : public CaptureDevice {
public:
  PulseCapture(pa_simple* pulse, unsigned rate) : pulse_(pulse), rate_(rate) {}
  ~PulseCapture() override { pa_simple_free(pulse_); }
  AudioFormat format() const override { return {double(rate_), 1}; }
  // The server records from the moment the stream exists; there is nothing more to start.
  Failure start() override { return std::nullopt; }

  std::variant<size_t, std::string> read(float* into, size_t frames) override {
    // Never more than a fragment, so that each read returns within one.
    frames = std::min<size_t>(frames, rate_ * fragmentMillis / 1000);
    int error = 0;
    if (pa_simple_read(pulse_, into, frames * sizeof(float), &error) < 0) return std::string(pa_strerror(error));
    return frames;
  }

private:
  pa_simple* pulse_;
  unsigned rate_;
};

class PulsePlayback : public PlaybackDevice {
public:
  PulsePlayback(pa_simple* pulse, unsigned channels) : pulse_(pulse), channels_(channels) {}
  ~PulsePlayback() override { pa_simple_free(pulse_); }

  bool write(const float* samples, size_t frames) override {
    int error = 0;
    return pa_simple_write(pulse_, samples, frames * channels_ * sizeof(float), &error) >= 0;
  }

  std::optional<double> pending() override {
    int error = 0;
    pa_usec_t latency = pa_simple_get_latency(pulse_, &error);
    if (latency == pa_usec_t(-1)) return std::nullopt;
    return double(latency) / 1e6;
  }

private:
  pa_simple* pulse_;
  unsigned channels_;
};

}  // namespace

std::unique_ptr<CaptureDevice> openPulseCapture(unsigned rate) {
  const uint32_t fragment = rate * fragmentMillis / 1000 * sizeof(float);
  const pa_buffer_attr attributes{uint32_t(-1), uint32_t(-1), uint32_t(-1), uint32_t(-1), fragment};
  pa_simple* pulse = connect(PA_STREAM_RECORD, "Dictation", rate, 1, &attributes);
  if (!pulse) return nullptr;
  return std::make_unique<PulseCapture>(pulse, rate);
}

std::unique_ptr<PlaybackDevice> openPulsePlayback(unsigned rate, unsigned channels) {
  pa_simple* pulse = connect(PA_STREAM_PLAYBACK, "Chime", rate, channels, nullptr);
  if (!pulse) return nullptr;
  return std::make_unique<PulsePlayback>(pulse, channels);
}

}  // namespace dictate::device
