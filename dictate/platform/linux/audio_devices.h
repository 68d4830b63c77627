#pragma once

#include "platform/speech_platform.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace dictate::device {

// An open microphone, mono float samples. Every call may block on the device or its server;
// one thread at a time uses it. Releasing it closes the device.
class CaptureDevice {
public:
  virtual ~CaptureDevice() = default;
  virtual AudioFormat format() const = 0;
  virtual Failure start() = 0;
  // Reads up to `frames` frames into `into` after start(), waiting for them a few tens of
  // milliseconds at most: how many came (possibly 0), or why the device stopped delivering.
  virtual std::variant<size_t, std::string> read(float* into, size_t frames) = 0;
};

// An open output for float samples. Every call may block, as for CaptureDevice. Releasing it
// stops the sound and closes the device.
class PlaybackDevice {
public:
  virtual ~PlaybackDevice() = default;
  // Queues interleaved frames, waiting for room; false once the device has failed.
  virtual bool write(const float* samples, size_t frames) = 0;
  // Seconds of queued sound not yet heard; none once the device has failed.
  virtual std::optional<double> pending() = 0;
};

// The sound server's default source and sink when a PulseAudio-protocol server is reachable;
// null otherwise.
std::unique_ptr<CaptureDevice> openPulseCapture(unsigned rate);
std::unique_ptr<PlaybackDevice> openPulsePlayback(unsigned rate, unsigned channels);
// ALSA's default devices; null when they cannot be opened with these parameters.
std::unique_ptr<CaptureDevice> openAlsaCapture(unsigned rate);
std::unique_ptr<PlaybackDevice> openAlsaPlayback(unsigned rate, unsigned channels);

}  // namespace dictate::device
