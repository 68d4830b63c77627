#include "session/tap.h"

#include "protocol/emitter.h"

#include <algorithm>
#include <cmath>

namespace dictate {

int levelValue(const AudioBuffer& buffer) {
  uint32_t n = buffer.frameLength();
  if (n == 0) return 0;
  float sum = 0;
  for (uint32_t i = 0; i < n; ++i) {
    float x = buffer.samples[size_t(i) * buffer.format.channels];
    sum += x * x;
  }
  float rms = std::sqrt(sum / float(n));
  float floor = 1e-7f;
  float r = rms > floor ? rms : floor;  // also catches NaN
  float db = 20.0f * std::log10(r);
  double v = (double(db) + 55) / 45;
  if (!(v >= 0)) return 0;
  return int(std::lround(std::min(v, 1.0) * 100));
}

std::optional<AudioBuffer> resample(const AudioBuffer& buffer, Converter& converter, AudioFormat format) {
  auto capacity =
      uint32_t(format.sampleRate / buffer.format.sampleRate * double(buffer.frameLength())) + 1024;
  auto output = AudioBuffer::make(format, capacity);
  if (!output || !converter.convert(buffer, *output)) return std::nullopt;
  return output;
}

TapHandler makeTapHandler(std::shared_ptr<Converter> converter, AudioFormat format,
                          StreamPtr<AudioBuffer> input) {
  return [converter, format, input](const AudioBuffer& buffer) {
    emit({{"type", "level"}, {"value", levelValue(buffer)}});
    auto converted = resample(buffer, *converter, format);
    if (converted && converted->frameLength() > 0 && input) input->yield(std::move(*converted));
  };
}

LossHandler makeLossHandler(StreamPtr<AudioBuffer> input) {
  return [input](const std::string& description) {
    if (input) input->fail("the microphone was lost: " + description);
  };
}

}  // namespace dictate
