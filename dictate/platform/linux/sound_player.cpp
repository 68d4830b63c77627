#include "platform/linux/sound_player.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <chrono>

namespace dictate::alsa {

namespace {

constexpr unsigned latencyMicros = 100000;
constexpr snd_pcm_uframes_t chunkFrames = 2048;
// Beyond the sound itself, how long the device may take to play out what it holds.
constexpr auto drainAllowance = std::chrono::seconds(2);

}  // namespace

std::unique_ptr<FilePlayer> FilePlayer::load(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return nullptr;
  if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file);
    return nullptr;
  }
  std::vector<float> samples(size_t(info.frames) * size_t(info.channels));
  sf_count_t frames = sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  if (frames <= 0) return nullptr;
  samples.resize(size_t(frames) * size_t(info.channels));
  return std::make_unique<FilePlayer>(std::move(samples), unsigned(info.samplerate), unsigned(info.channels));
}

FilePlayer::~FilePlayer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

double FilePlayer::duration() const { return double(samples_.size() / channels_) / rate_; }

void FilePlayer::play() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { playback(); });
}

void FilePlayer::playback() {
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_FLOAT_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels_, rate_, 1,
                         latencyMicros) < 0) {
    snd_pcm_close(pcm);
    return;
  }
  const size_t frames = samples_.size() / channels_;
  for (size_t done = 0; done < frames && !stopping_;) {
    snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples_.data() + done * channels_,
                                         std::min<size_t>(chunkFrames, frames - done));
    if (n < 0 && snd_pcm_recover(pcm, int(n), 1) < 0) break;
    if (n > 0) done += size_t(n);
  }
  // Instead of a drain, which cannot be interrupted, wait for the device to play out.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(duration()) + drainAllowance;
  snd_pcm_sframes_t delay = 0;
  while (!stopping_ && std::chrono::steady_clock::now() < deadline && snd_pcm_delay(pcm, &delay) >= 0 && delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  snd_pcm_drop(pcm);
  snd_pcm_close(pcm);
}

}  // namespace dictate::alsa
