#pragma once

#include <stdexcept>

namespace dictate {

// The program's own failures; what() is the description sent after "could not start: ".
class DictateError : public std::runtime_error {
public:
  enum class Code { noMicrophone = 0, noAudioFormat = 1 };

  static DictateError noMicrophone() { return {Code::noMicrophone, "no microphone is available"}; }
  static DictateError noAudioFormat() { return {Code::noAudioFormat, "no usable audio format"}; }

  Code code() const { return code_; }

private:
  DictateError(Code code, const char* description) : std::runtime_error(description), code_(code) {}

  Code code_;
};

}  // namespace dictate
