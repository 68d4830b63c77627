#pragma once

#include "platform/speech_platform.h"

#include <memory>
#include <optional>

namespace dictate::device {

// The default microphone, captured on a detached thread of its own that opens, reads and
// closes the device: the sound server's source when one is reachable, ALSA's default device
// otherwise. The tap gets buffers of its size re-blocked from the device's small reads.
class CaptureEngine : public AudioEngine {
public:
  struct Capture;
  struct Tap;

  ~CaptureEngine() override;
  asio::awaitable<AudioFormat> inputFormat() override;
  void installTap(uint32_t bufferSize, AudioFormat format, TapHandler handler, LossHandler lost) override;
  void removeTap() override;
  asio::awaitable<Failure> start() override;
  bool isRunning() override { return running_; }
  void stop() override;

private:
  std::shared_ptr<Capture> capture_;
  std::optional<AudioFormat> format_;
  std::shared_ptr<Tap> tap_;
  bool running_ = false;
};

}  // namespace dictate::device
