#pragma once

#include "platform/speech_platform.h"

#include <memory>

namespace dictate {

// The real platform: pocketsphinx behind the transcriber and analyser, the sound server (or
// ALSA without one) for capture and chimes, libsoxr for conversion. Linux has no microphone permission prompt.
// How long an utterance may run before it ends at its next short pause: long enough for any
// sentence, short enough that the recogniser's cost per second of audio stays flat.
inline constexpr double defaultMaxUtteranceSeconds = 20;

// `maxUtteranceSeconds`: how long an utterance may run before it ends at its next short pause.
std::unique_ptr<SpeechPlatform> makeLinuxPlatform(double maxUtteranceSeconds);

}  // namespace dictate
