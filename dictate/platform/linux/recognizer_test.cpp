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

TEST(LinuxRecognizer, GivesPartialsAFinalPerUtteranceAndTheOpenOneAtFinalisation) {
  const auto audio = readSample(cutSeconds);
  if (audio.empty()) GTEST_SKIP() << "the speech sample has not been built";
  auto platform = makeLinuxPlatform(defaultMaxUtteranceSeconds);
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
  ASSERT_TRUE(done);

  std::vector<std::string> finals;
  for (const auto& result : results) if (result.isFinal) finals.push_back(result.text);
  ASSERT_EQ(finals.size(), 2u);
  EXPECT_NE(finals[0].find("weather"), std::string::npos) << finals[0];
  EXPECT_NE(finals[1].find("open"), std::string::npos) << finals[1];
  EXPECT_TRUE(std::none_of(results.begin(), results.end(), [](auto& r) { return !r.isFinal && r.text.empty(); }));
  EXPECT_FALSE(results.front().isFinal);
}

}  // namespace
}  // namespace dictate
