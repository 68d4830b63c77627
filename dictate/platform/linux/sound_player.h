#pragma once

#include "platform/speech_platform.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace dictate::alsa {

// A sound file decoded whole with libsndfile and played on ALSA's default playback device from
// a thread of its own; releasing the player stops the sound.
class FilePlayer : public SoundPlayer {
public:
  // Null when the file cannot be read or holds no audio.
  static std::unique_ptr<FilePlayer> load(const std::string& path);
  FilePlayer(std::vector<float> samples, unsigned rate, unsigned channels)
      : samples_(std::move(samples)), rate_(rate), channels_(channels) {}
  ~FilePlayer() override;
  void play() override;
  double duration() const override;

private:
  void playback();

  std::vector<float> samples_;
  unsigned rate_ = 0;
  unsigned channels_ = 0;
  std::atomic<bool> stopping_ = false;
  std::thread thread_;
};

}  // namespace dictate::alsa
