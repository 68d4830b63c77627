#pragma once

#include "platform/speech_platform.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace dictate::alsa {

// ALSA's default capture device, mono float samples at the device's own rate, read on a
// capture thread in buffers of the tap's size. The device is opened when its format is asked
// for and closed at stop(). Reads never block for long, so stop() returns promptly.
class CaptureEngine : public AudioEngine {
public:
  ~CaptureEngine() override;
  AudioFormat inputFormat() override;
  void installTap(uint32_t bufferSize, AudioFormat format, TapHandler handler) override;
  void removeTap() override;
  Failure start() override;
  bool isRunning() override { return thread_.joinable(); }
  void stop() override;

private:
  bool open();
  void capture();

  snd_pcm_t* pcm_ = nullptr;
  AudioFormat format_;
  uint32_t bufferSize_ = 4096;
  std::mutex handlerMutex_;
  TapHandler handler_;
  std::atomic<bool> stopping_ = false;
  std::thread thread_;
};

}  // namespace dictate::alsa
