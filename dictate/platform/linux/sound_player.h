#pragma once

#include "platform/speech_platform.h"

#include <memory>
#include <string>
#include <vector>

namespace dictate::device {

// A sound file decoded whole with libsndfile and played from a detached thread of its own on
// the sound server's default sink, or ALSA's default device when no server is reachable.
// Releasing the player tells that thread to stop; the thread closes the device once the device
// lets it.
class FilePlayer : public SoundPlayer {
public:
  struct Sound;

  // Null when the file cannot be read or holds no audio.
  static std::unique_ptr<FilePlayer> load(const std::string& path);
  explicit FilePlayer(std::shared_ptr<Sound> sound) : sound_(std::move(sound)) {}
  ~FilePlayer() override;
  void play() override;
  double duration() const override;

private:
  std::shared_ptr<Sound> sound_;
  bool played_ = false;
};

}  // namespace dictate::device
