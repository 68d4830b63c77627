#include "platform/linux/sound_player.h"

#include "platform/linux/audio_devices.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace dictate::device {

struct FilePlayer::Sound {
  std::vector<float> samples;
  unsigned rate = 0;
  unsigned channels = 0;
  std::atomic<bool> stopping = false;

  size_t frames() const { return samples.size() / channels; }
  double seconds() const { return double(frames()) / rate; }
};

namespace {

// Written a little at a time, so that a stop is noticed between writes.
constexpr double chunkSeconds = 0.05;
// Beyond the sound itself, how long the device may take to play out what it holds.
constexpr auto playOutAllowance = std::chrono::seconds(2);
// Below this the rest is the device's own latency: the sound has been heard.
constexpr double heardSeconds = 0.01;

std::unique_ptr<PlaybackDevice> openSpeaker(unsigned rate, unsigned channels) {
  if (auto pulse = openPulsePlayback(rate, channels)) return pulse;
  return openAlsaPlayback(rate, channels);
}

void playOut(const std::shared_ptr<FilePlayer::Sound>& sound) {
  auto device = openSpeaker(sound->rate, sound->channels);
  if (!device) return;
  const size_t chunk = std::max<size_t>(1, size_t(sound->rate * chunkSeconds));
  for (size_t done = 0; done < sound->frames(); done += chunk) {
    if (sound->stopping) return;
    if (!device->write(sound->samples.data() + done * sound->channels, std::min(chunk, sound->frames() - done)))
      return;
  }
  // Instead of a drain, which cannot be interrupted, wait for the device to play out.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(sound->seconds()) + playOutAllowance;
  while (!sound->stopping && std::chrono::steady_clock::now() < deadline) {
    auto pending = device->pending();
    if (!pending || *pending < heardSeconds) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

std::unique_ptr<FilePlayer> FilePlayer::load(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return nullptr;
  if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file);
    return nullptr;
  }
  auto sound = std::make_shared<Sound>();
  sound->samples.resize(size_t(info.frames) * size_t(info.channels));
  sf_count_t frames = sf_readf_float(file, sound->samples.data(), info.frames);
  sf_close(file);
  if (frames <= 0) return nullptr;
  sound->samples.resize(size_t(frames) * size_t(info.channels));
  sound->rate = unsigned(info.samplerate);
  sound->channels = unsigned(info.channels);
  return std::make_unique<FilePlayer>(std::move(sound));
}

FilePlayer::~FilePlayer() { sound_->stopping = true; }

double FilePlayer::duration() const { return sound_->seconds(); }

void FilePlayer::play() {
  if (played_) return;
  played_ = true;
  std::thread(playOut, sound_).detach();
}

}  // namespace dictate::device
