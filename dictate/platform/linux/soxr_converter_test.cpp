#include "platform/linux/soxr_converter.h"

#include <gtest/gtest.h>

namespace dictate::device {
namespace {

TEST(SoxrConverter, StreamsAThirdOfTheFramesFrom48To16Kilohertz) {
  auto converter = SoxrConverter::make({48000, 1}, {16000, 1});
  ASSERT_TRUE(converter);
  size_t produced = 0;
  for (int i = 0; i < 20; ++i) {
    AudioBuffer input{{48000, 1}, 4096, std::vector<float>(4096, 0.25f)};
    AudioBuffer output{{16000, 1}, 2389, {}};
    ASSERT_TRUE(converter->convert(input, output));
    EXPECT_LE(output.frameLength(), 2389u);
    produced += output.frameLength();
  }
  // All but the filter's delay has come out.
  EXPECT_LE(produced, 20u * 4096 / 3);
  EXPECT_GE(produced, 20u * 4096 / 3 - 1024);
}

TEST(SoxrConverter, NeedsMatchingChannelsAndRealRates) {
  EXPECT_FALSE(SoxrConverter::make({48000, 2}, {16000, 1}));
  EXPECT_FALSE(SoxrConverter::make({0, 1}, {16000, 1}));
}

}  // namespace
}  // namespace dictate::device
