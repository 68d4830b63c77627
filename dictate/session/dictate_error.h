#pragma once

namespace dictate {

// The program's own failures, reported after "could not start: ".
enum class DictateError { noMicrophone = 0, noAudioFormat = 1 };

constexpr const char* description(DictateError error) {
  switch (error) {
    case DictateError::noMicrophone: return "no microphone is available";
    case DictateError::noAudioFormat: return "no usable audio format";
  }
  return "";
}

}  // namespace dictate
