#include "protocol/command_stream.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace dictate {
namespace {

TEST(CommandStream, DeliversEveryLineIncludingAnUnterminatedLast) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  auto lines = commandStream(fds[0]);
  std::string input = "first\n\nthird\r\n";
  input += std::string(10000, 'x') + "\nlast";
  ASSERT_EQ(write(fds[1], input.data(), input.size()), ssize_t(input.size()));
  close(fds[1]);
  std::vector<std::string> read;
  while (auto line = lines->pop()) read.push_back(*line);
  close(fds[0]);
  EXPECT_EQ(read, (std::vector<std::string>{"first", "", "third\r", std::string(10000, 'x'), "last"}));
}

}  // namespace
}  // namespace dictate
