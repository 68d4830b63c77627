#pragma once

#include "platform/speech_platform.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace dictate {

namespace tap {
inline constexpr uint32_t bufferSize = 4096;
}

// Loudness of the first channel from 0 (-55 dBFS or quieter) to 100 (-10 dBFS or louder),
// linear in decibels between.
int levelValue(const AudioBuffer& buffer);

// `buffer` converted to `format` with the dictation's converter; none when the output buffer
// cannot be made or the conversion fails.
std::optional<AudioBuffer> resample(const AudioBuffer& buffer, Converter& converter, AudioFormat format);

// Meters each captured buffer and hands it, converted, to the analyser's input. Runs on the
// audio thread and touches nothing but what it is given.
TapHandler makeTapHandler(std::shared_ptr<Converter> converter, AudioFormat format,
                          StreamPtr<AudioBuffer> input);

// Ends the analyser's input with the reason when the microphone is lost, so that the
// recogniser gives what it heard and then reports the loss.
LossHandler makeLossHandler(StreamPtr<AudioBuffer> input);

}  // namespace dictate
