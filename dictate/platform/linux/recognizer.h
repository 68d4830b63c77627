#pragma once

#include "platform/speech_platform.h"

#include <mutex>
#include <thread>
#include <variant>

namespace dictate::sphinx {

// Whether the acoustic model, language model and dictionary are all on disk.
bool modelPresent();

// The rate of the audio the decoder takes.
inline constexpr double decoderRate = 16000;

// Tells the user how to get the missing model.
extern const char* const missingModel;

// One analysis: audio in, results out; `started` carries none once decoding has begun or the
// reason it cannot, `done` a value once every result has been delivered.
struct Job {
  StreamPtr<AudioBuffer> input;
  StreamPtr<TranscriptionResult> results;
  StreamPtr<Failure> started;
  StreamPtr<std::monostate> done;
};

// One pocketsphinx decoder for the life of the process, on a thread of its own: the model is
// loaded once, and its cepstral-mean estimate carries over from one dictation to the next.
// Jobs are decoded one after the other, in submission order.
class Recognizer {
public:
  explicit Recognizer(double maxUtteranceSeconds);
  ~Recognizer();

  // Loads the model in the background if that has not begun yet.
  void preload();
  void submit(Job job);

private:
  void loop();

  const double maxUtteranceSeconds_;
  StreamPtr<Job> jobs_ = makeStream<Job>();
  std::once_flag launched_;
  std::thread thread_;
};

}  // namespace dictate::sphinx
