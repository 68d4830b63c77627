#pragma once

#include "platform/speech_platform.h"

#include <soxr.h>

namespace dictate::device {

// Streaming sample-rate conversion: the filter state carries from one buffer to the next.
class SoxrConverter : public Converter {
public:
  // None when the formats differ in channels or a rate is not positive.
  static std::shared_ptr<Converter> make(AudioFormat from, AudioFormat to);
  explicit SoxrConverter(soxr_t soxr) : soxr_(soxr) {}
  ~SoxrConverter() override { soxr_delete(soxr_); }
  bool convert(const AudioBuffer& input, AudioBuffer& output) override;

private:
  soxr_t soxr_;
};

}  // namespace dictate::device
