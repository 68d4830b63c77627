#include "platform/linux/linux_platform.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

namespace dictate {
namespace {

// Cut inside the second sentence, so its utterance is still open when the input ends.
constexpr double cutSeconds = 3.6;

std::vector<float> readSample(double seconds) {
  SF_INFO info{};
  SNDFILE* file = sf_open(DICTATE_SPEECH_SAMPLE, SFM_READ, &info);
  if (!file) return {};
  std::vector<float> samples(size_t(seconds * info.samplerate));
  samples.resize(size_t(sf_read_float(file, samples.data(), sf_count_t(samples.size()))));
  sf_close(file);
  return samples;
}

// Everything the recogniser gives for `audio` at 48 kHz, fed in tap-sized buffers.
std::vector<TranscriptionResult> recognise(const std::vector<float>& audio, double maxUtteranceSeconds) {
  auto platform = makeLinuxPlatform(maxUtteranceSeconds);
  asio::io_context io;
  std::vector<TranscriptionResult> results;
  bool done = false;
  asio::co_spawn(io, [&]() -> asio::awaitable<void> {
    auto transcriber = platform->makeTranscriber("en-US");
    auto analyzer = platform->makeAnalyzer(transcriber);
    auto input = makeStream<AudioBuffer>();
    EXPECT_EQ(co_await analyzer->start(input), std::nullopt);
    auto format = co_await platform->bestAvailableAudioFormat(transcriber);
    EXPECT_EQ(format, (AudioFormat{16000, 1}));
    auto converter = platform->makeConverter({48000, 1}, *format);
    for (size_t at = 0; at < audio.size(); at += 4096) {
      AudioBuffer buffer{{48000, 1}, 4096, {audio.begin() + at, audio.begin() + std::min(at + 4096, audio.size())}};
      AudioBuffer converted{*format, 2389, {}};
      converter->convert(buffer, converted);
      input->yield(std::move(converted));
    }
    input->finish();
    EXPECT_EQ(co_await analyzer->finalizeAndFinishThroughEndOfInput(), std::nullopt);
    auto stream = transcriber->results();
    while (auto result = co_await stream->next()) results.push_back(*result);
    EXPECT_FALSE(stream->failure());
    done = true;
  }, asio::detached);
  io.run();
  EXPECT_TRUE(done);
  return results;
}

std::vector<std::string> finalsOf(const std::vector<TranscriptionResult>& results) {
  std::vector<std::string> finals;
  for (const auto& result : results) if (result.isFinal) finals.push_back(result.text);
  return finals;
}

TEST(LinuxRecognizer, GivesPartialsAFinalPerUtteranceAndTheOpenOneAtFinalisation) {
  const auto audio = readSample(cutSeconds);
  if (audio.empty()) GTEST_SKIP() << "the speech sample has not been built";
  const auto results = recognise(audio, defaultMaxUtteranceSeconds);
  const auto finals = finalsOf(results);
  ASSERT_EQ(finals.size(), 2u);
  EXPECT_NE(finals[0].find("weather"), std::string::npos) << finals[0];
  EXPECT_NE(finals[1].find("open"), std::string::npos) << finals[1];
  EXPECT_TRUE(std::none_of(results.begin(), results.end(), [](auto& r) { return !r.isFinal && r.text.empty(); }));
  EXPECT_FALSE(results.front().isFinal);
}

// The sample twice over with its pause between sentences cut to a quarter of a second: too
// short for the decoder to end an utterance, long enough to end one past the bound.
std::vector<float> runOnSpeech() {
  const auto sample = readSample(10);
  if (sample.empty()) return {};
  const size_t pauseFrom = size_t(2.52 * 48000), pauseTo = size_t(2.66 * 48000);
  std::vector<float> once(sample.begin(), sample.begin() + pauseFrom);
  once.insert(once.end(), sample.begin() + pauseTo, sample.end());
  auto twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  return twice;
}

TEST(LinuxRecognizer, SpeechRunningPastTheBoundEndsAtItsNextPause) {
  const auto audio = runOnSpeech();
  if (audio.empty()) GTEST_SKIP() << "the speech sample has not been built";
  EXPECT_EQ(finalsOf(recognise(audio, defaultMaxUtteranceSeconds)).size(), 1u);

  const auto results = recognise(audio, 1.0);
  const auto finals = finalsOf(results);
  ASSERT_EQ(finals.size(), 4u);
  size_t longestFinal = 0;
  for (size_t i = 0; i < finals.size(); ++i) {
    // Each sentence whole in its own final: nothing is lost at the cuts.
    for (const char* word : i % 2 ? std::vector{"open", "window", "kitchen"} : std::vector{"weather", "sunny", "warm"})
      EXPECT_NE(finals[i].find(word), std::string::npos) << word << " missing from: " << finals[i];
    longestFinal = std::max(longestFinal, finals[i].size());
  }
  // A partial belongs to the utterance under way, never to the ones before it.
  for (const auto& result : results) EXPECT_LE(result.text.size(), longestFinal + 12) << result.text;
}

}  // namespace
}  // namespace dictate
