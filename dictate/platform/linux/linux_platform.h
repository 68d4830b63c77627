#pragma once

#include "platform/speech_platform.h"

#include <memory>

namespace dictate {

// The real platform: pocketsphinx behind the transcriber and analyser, ALSA for capture and
// chimes, libsoxr for conversion. Linux has no microphone permission prompt.
std::unique_ptr<SpeechPlatform> makeLinuxPlatform();

}  // namespace dictate
