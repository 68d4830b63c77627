#include "platform/linux/recognizer.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace dictate::sphinx {

namespace {

const std::string modelDir = DICTATE_SPHINX_MODEL_DIR;
const std::string acousticModel = modelDir + "/en-us";
const std::string languageModel = modelDir + "/en-us.lm.bin";
const std::string dictionary = modelDir + "/cmudict-en-us.dict";

ps_decoder_t* loadDecoder() {
  if (!modelPresent()) return nullptr;
  // Three Gaussians per frame instead of four: less scoring work, and on average over where
  // speech falls against the frame grid no less accurate with this model.
  cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", acousticModel.c_str(), "-lm",
                                 languageModel.c_str(), "-dict", dictionary.c_str(), "-topn", "3", "-logfn",
                                 "/dev/null", nullptr);
  if (!config) return nullptr;
  ps_decoder_t* decoder = ps_init(config);
  cmd_ln_free_r(config);
  return decoder;
}

std::string hypothesis(ps_decoder_t* decoder) {
  const char* text = ps_get_hyp(decoder, nullptr);
  return text ? text : "";
}

std::vector<int16_t> toPcm16(const std::vector<float>& samples) {
  std::vector<int16_t> pcm(samples.size());
  std::transform(samples.begin(), samples.end(), pcm.begin(), [](float x) {
    return int16_t(std::lrint(std::clamp(x * 32768.0f, -32768.0f, 32767.0f)));
  });
  return pcm;
}

// Partials whenever the hypothesis changes, a final at each end of speech the decoder's voice
// activity detection finds, and the utterance still open as the last final.
void decode(ps_decoder_t* decoder, const Job& job) {
  ps_start_utt(decoder);
  bool inSpeech = false;
  bool heard = false;
  std::string partial;
  while (auto buffer = job.input->pop()) {
    auto pcm = toPcm16(buffer->samples);
    ps_process_raw(decoder, pcm.data(), pcm.size(), FALSE, FALSE);
    bool speech = ps_get_in_speech(decoder);
    heard = heard || speech;
    if (inSpeech && !speech) {
      ps_end_utt(decoder);
      job.results->yield({hypothesis(decoder), true});
      ps_start_utt(decoder);
      heard = false;
      partial.clear();
    } else if (speech) {
      auto text = hypothesis(decoder);
      if (text != partial) {
        partial = text;
        job.results->yield({text, false});
      }
    }
    inSpeech = speech;
  }
  ps_end_utt(decoder);
  if (heard) job.results->yield({hypothesis(decoder), true});
}

}  // namespace

const char* const missingModel =
    "the en-US speech model is not installed (install the Debian package pocketsphinx-en-us)";

bool modelPresent() {
  for (const auto& path : {acousticModel + "/mdef", languageModel, dictionary})
    if (::access(path.c_str(), R_OK) != 0) return false;
  return true;
}

Recognizer::Recognizer() { err_set_logfp(nullptr); }

Recognizer::~Recognizer() {
  jobs_->finish();
  if (thread_.joinable()) thread_.join();
}

void Recognizer::preload() {
  std::call_once(launched_, [this] { thread_ = std::thread([this] { loop(); }); });
}

void Recognizer::submit(Job job) {
  jobs_->yield(std::move(job));
  preload();
}

void Recognizer::loop() {
  ps_decoder_t* decoder = loadDecoder();
  while (auto job = jobs_->pop()) {
    if (!decoder) {
      job->started->yield(modelPresent() ? "the speech recogniser could not load its model" : missingModel);
    } else {
      job->started->yield(std::nullopt);
      decode(decoder, *job);
    }
    job->results->finish();
    job->done->yield(std::monostate{});
  }
  if (decoder) ps_free(decoder);
}

}  // namespace dictate::sphinx
