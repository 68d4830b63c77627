#include "platform/linux/recognizer.h"

#include <pocketsphinx.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/err.h>
#include <sphinxbase/feat.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <unistd.h>

namespace dictate::sphinx {

namespace {

const std::string modelDir = DICTATE_SPHINX_MODEL_DIR;
const std::string acousticModel = modelDir + "/en-us";
const std::string languageModel = modelDir + "/en-us.lm.bin";
const std::string dictionary = modelDir + "/cmudict-en-us.dict";

// The cepstral mean this model's decoder converges to on recorded human speech (the ALSA
// channel-name recordings), where the model's own initial estimate is far off: a decoder that
// starts from it misrecognises much of the first dictation until the estimate has adapted. The
// model's parameter file overrides a -cmninit option, so the estimate is set after loading.
constexpr mfcc_t speechCepstralMean[] = {44.62f, 2.71f,  -0.10f, 2.97f,  1.41f,  -1.40f, -2.84f,
                                         10.23f, 5.92f,  5.22f,  -0.72f, -1.40f, 3.63f};

ps_decoder_t* loadDecoder() {
  if (!modelPresent()) return nullptr;
  // Three Gaussians per frame instead of four, and a search capped at 5,000 active HMMs and 5
  // word exits per frame: a fifth less decoding time for about the same accuracy over where
  // speech falls against the frame grid. A 10-frame phone lookahead prunes words the next
  // phones rule out, which here costs no time and saves a word or so per list.
  cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", acousticModel.c_str(), "-lm",
                                 languageModel.c_str(), "-dict", dictionary.c_str(), "-topn", "3", "-maxhmmpf",
                                 "5000", "-maxwpf", "5", "-pl_window", "10", "-logfn", "/dev/null", nullptr);
  if (!config) return nullptr;
  ps_decoder_t* decoder = ps_init(config);
  cmd_ln_free_r(config);
  if (decoder && feat_cepsize(ps_get_feat(decoder)) == int(std::size(speechCepstralMean)))
    cmn_live_set(ps_get_feat(decoder)->cmn_struct, speechCepstralMean);
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

// A pause that may end an utterance: this long, with each 10 ms no louder than the larger of
// the noise floor plus a margin and the speech level less a margin. Both levels follow the
// audio slowly, so that one odd frame moves neither for long.
constexpr size_t frameSamples = 160;
constexpr size_t pauseFrames = 15;
// A pause this long ends an utterance whatever its length, as the decoder's own voice activity
// detection would, which on digital silence sometimes never notices the end of speech.
constexpr size_t longPauseFrames = 50;
constexpr double pauseAboveFloorDb = 10;
constexpr double pauseBelowSpeechDb = 40;
constexpr double levelDriftDbPerFrame = 0.01;
// Partials are looked for this often: each look costs a search through the utterance.
constexpr size_t partialEverySamples = 4000;
// Speech that never pauses for that long is cut this far past the bound all the same.
constexpr double hardLimitSeconds = 10;

double frameDb(const int16_t* samples, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += double(samples[i]) * samples[i];
  return 10 * std::log10(std::max(sum / double(n), 1.0));
}

// Partials whenever the hypothesis changes, a final at each end of speech the decoder's voice
// activity detection finds, at a long pause, or, once an utterance has run past the bound, at
// its next short pause, and the utterance still open as the last final. Ending at a pause keeps
// the decoder's search, and so its time and memory, in proportion to one utterance.
class Decoding {
public:
  Decoding(ps_decoder_t* decoder, const Job& job, double maxUtteranceSeconds, double rate)
      : decoder_(decoder),
        job_(job),
        boundSamples_(size_t(maxUtteranceSeconds * rate)),
        hardSamples_(size_t((maxUtteranceSeconds + hardLimitSeconds) * rate)) {
    ps_start_utt(decoder_);
  }

  void feed(const std::vector<int16_t>& pcm) {
    size_t from = 0;
    for (size_t frame = 0; frame + frameSamples <= pcm.size(); frame += frameSamples) {
      const double db = frameDb(pcm.data() + frame, frameSamples);
      floorDb_ = std::min(floorDb_ + levelDriftDbPerFrame, db);
      speechDb_ = std::max(speechDb_ - levelDriftDbPerFrame, db);
      const bool quiet = db < std::max(floorDb_ + pauseAboveFloorDb, speechDb_ - pauseBelowSpeechDb);
      quietFrames_ = quiet ? quietFrames_ + 1 : 0;
      const size_t length = utteranceSamples_ + frame + frameSamples - from;
      const bool pause = quietFrames_ >= (length >= boundSamples_ ? pauseFrames : longPauseFrames);
      if (heard_ && (pause || length >= hardSamples_)) {
        process(pcm.data() + from, frame + frameSamples - from);
        if (heard_) endUtterance();  // unless the decoder has just ended it itself
        from = frame + frameSamples;
      }
    }
    process(pcm.data() + from, pcm.size() - from);
  }

  // At the end of the input: the open utterance, if anything was heard in it.
  void finish() {
    ps_end_utt(decoder_);
    if (heard_) job_.results->yield({hypothesis(decoder_), true});
  }

private:
  void process(const int16_t* samples, size_t n) {
    if (n == 0) return;
    ps_process_raw(decoder_, samples, n, FALSE, FALSE);
    bool speech = ps_get_in_speech(decoder_);
    heard_ = heard_ || speech;
    // Silence before the first word does not count towards the bound.
    if (heard_) utteranceSamples_ += n;
    if (inSpeech_ && !speech) {
      endUtterance();
    } else if (speech && utteranceSamples_ >= nextPartialAt_) {
      nextPartialAt_ = utteranceSamples_ + partialEverySamples;
      auto text = hypothesis(decoder_);
      if (text != partial_) {
        partial_ = text;
        job_.results->yield({text, false});
      }
    }
    inSpeech_ = speech;
  }

  void endUtterance() {
    ps_end_utt(decoder_);
    job_.results->yield({hypothesis(decoder_), true});
    ps_start_utt(decoder_);
    heard_ = false;
    inSpeech_ = false;
    partial_.clear();
    utteranceSamples_ = 0;
    nextPartialAt_ = 0;
  }

  ps_decoder_t* decoder_;
  const Job& job_;
  const size_t boundSamples_;
  const size_t hardSamples_;
  size_t utteranceSamples_ = 0;
  size_t nextPartialAt_ = 0;
  size_t quietFrames_ = 0;
  double floorDb_ = 1e9;
  double speechDb_ = 0;
  bool inSpeech_ = false;
  bool heard_ = false;
  std::string partial_;
};

void decode(ps_decoder_t* decoder, const Job& job, double maxUtteranceSeconds) {
  Decoding decoding(decoder, job, maxUtteranceSeconds, decoderRate);
  while (auto buffer = job.input->pop()) decoding.feed(toPcm16(buffer->samples));
  decoding.finish();
  // What was heard before the input broke off is given first, then why it did.
  if (auto failure = job.input->failure()) job.results->fail(*failure);
}

}  // namespace

const char* const missingModel =
    "the en-US speech model is not installed (install the Debian package pocketsphinx-en-us)";

bool modelPresent() {
  for (const auto& path : {acousticModel + "/mdef", languageModel, dictionary})
    if (::access(path.c_str(), R_OK) != 0) return false;
  return true;
}

Recognizer::Recognizer(double maxUtteranceSeconds) : maxUtteranceSeconds_(maxUtteranceSeconds) {
  err_set_logfp(nullptr);
}

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
      decode(decoder, *job, maxUtteranceSeconds_);
    }
    job->results->finish();
    job->done->yield(std::monostate{});
  }
  if (decoder) ps_free(decoder);
}

}  // namespace dictate::sphinx
