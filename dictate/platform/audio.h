#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace dictate {

// Float samples, interleaved when there is more than one channel.
struct AudioFormat {
  double sampleRate = 0;
  uint32_t channels = 1;

  bool operator==(const AudioFormat&) const = default;
};

struct AudioBuffer {
  AudioFormat format;
  uint32_t frameCapacity = 0;
  std::vector<float> samples;

  uint32_t frameLength() const { return format.channels ? uint32_t(samples.size() / format.channels) : 0; }

  // An empty buffer that holds up to `capacity` frames; none for a format without samples.
  static std::optional<AudioBuffer> make(AudioFormat format, uint32_t capacity) {
    if (format.sampleRate <= 0 || format.channels == 0 || capacity == 0) return std::nullopt;
    AudioBuffer buffer{format, capacity, {}};
    buffer.samples.reserve(size_t(capacity) * format.channels);
    return buffer;
  }
};

}  // namespace dictate
