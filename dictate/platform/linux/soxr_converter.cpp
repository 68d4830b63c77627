#include "platform/linux/soxr_converter.h"

namespace dictate::device {

std::shared_ptr<Converter> SoxrConverter::make(AudioFormat from, AudioFormat to) {
  if (from.channels != to.channels || !(from.sampleRate > 0) || !(to.sampleRate > 0)) return nullptr;
  soxr_error_t error = nullptr;
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_t soxr = soxr_create(from.sampleRate, to.sampleRate, from.channels, &error, &io, &quality, nullptr);
  if (error) return nullptr;
  return std::make_shared<SoxrConverter>(soxr);
}

bool SoxrConverter::convert(const AudioBuffer& input, AudioBuffer& output) {
  output.samples.resize(size_t(output.frameCapacity) * output.format.channels);
  size_t consumed = 0;
  size_t produced = 0;
  soxr_error_t error = soxr_process(soxr_, input.samples.data(), input.frameLength(), &consumed,
                                    output.samples.data(), output.frameCapacity, &produced);
  output.samples.resize(error ? 0 : produced * output.format.channels);
  return !error;
}

}  // namespace dictate::device
