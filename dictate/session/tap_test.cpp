#include "session/tap.h"

#include "platform/scripted/scripted_platform.h"
#include "tests/captured_output.h"
#include "tests/session_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace dictate::testing {
namespace {

TEST(LevelValue, FollowsDecibelsBetweenMinus55AndMinus10) {
  const std::vector<std::pair<float, int>> cases{
      {0.0f, 0}, {0.001f, 0}, {0.0031623f, 11}, {0.01f, 33}, {0.1f, 78}, {0.31623f, 100}, {1.0f, 100}, {-0.1f, 78}};
  for (auto [sample, expected] : cases) EXPECT_EQ(levelValue(constant(sample)), expected) << sample;
}

TEST(LevelValue, FullScaleSineAndEdgeBuffers) {
  auto sine = constant(0);
  for (size_t i = 0; i < sine.samples.size(); ++i) sine.samples[i] = float(std::sin(2 * std::numbers::pi * 440 * double(i) / 48000));
  EXPECT_EQ(levelValue(sine), 100);
  EXPECT_EQ(levelValue(constant(0.5f, 0)), 0);
  EXPECT_EQ(levelValue(constant(NAN)), 0);
  // Only the first channel counts.
  AudioBuffer stereo{{48000, 2}, 2, {0.1f, 1.0f, 0.1f, 1.0f}};
  EXPECT_EQ(levelValue(stereo), 78);
}

TEST(Resample, CapacityFollowsTheRateRatioPlusHeadroom) {
  scripted::ScriptedPlatform platform;
  auto converter = platform.makeConverter({48000, 1}, {16000, 1});
  ASSERT_TRUE(resample(constant(0.1f, 4096, 48000), *converter, {16000, 1}));
  ASSERT_TRUE(resample(constant(0.1f, 4410, 44100), *converter, {16000, 1}));
  ASSERT_TRUE(resample(constant(0.1f, 1000, 16000), *converter, {16000, 1}));
  EXPECT_EQ(platform.convertedCapacities, (std::vector<uint32_t>{1365 + 1024, 1600 + 1024, 1000 + 1024}));
  platform.converterFails = true;
  EXPECT_FALSE(resample(constant(0.1f), *converter, {16000, 1}));
}

TEST(TapHandler, MetersEveryBufferAndPassesOnlyConvertedAudio) {
  takeEvents();
  scripted::ScriptedPlatform platform;
  auto converter = platform.makeConverter({48000, 1}, {16000, 1});
  auto input = makeStream<AudioBuffer>();
  auto handler = makeTapHandler(converter, {16000, 1}, input);
  handler(constant(0.01f));
  platform.converterFails = true;
  handler(constant(0.1f));
  platform.converterFails = false;
  handler(constant(0.1f, 0));
  input->finish();
  EXPECT_EQ(takeEvents(), (std::vector<json>{level(33), level(78), level(0)}));
  auto passed = input->pop();
  ASSERT_TRUE(passed);
  EXPECT_EQ(passed->format, (AudioFormat{16000, 1}));
  EXPECT_FALSE(input->pop());
}

}  // namespace
}  // namespace dictate::testing
