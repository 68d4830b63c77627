#include "protocol/emitter.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace dictate {
namespace {

struct Lines {
  std::mutex mutex;
  std::vector<std::string> written;
  Emitter::Writer writer() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex);
      written.push_back(line);
    };
  }
};

TEST(Emitter, WritesOneEscapedLinePerEvent) {
  Lines lines;
  Emitter emitter(lines.writer());
  emitter.flush();
  emitter.emit({{"type", "final"}, {"text", "a\nb \"c\" \\d"}, {"run", 3}});
  emitter.emit({{"bad", std::string("\xff\xfe")}});  // not UTF-8: dropped
  emitter.emit({{"type", "level"}, {"value", 0}});
  emitter.flush();
  ASSERT_EQ(lines.written.size(), 2u);
  EXPECT_EQ(lines.written[0].find('\n'), lines.written[0].size() - 1);
  EXPECT_EQ(nlohmann::json::parse(lines.written[0])["text"], "a\nb \"c\" \\d");
  EXPECT_EQ(lines.written[1], "{\"type\":\"level\",\"value\":0}\n");
}

TEST(Emitter, LinesFromManyThreadsStayWholeAndInEachThreadsOrder) {
  Lines lines;
  Emitter emitter(lines.writer());
  std::vector<std::thread> producers;
  for (int p = 0; p < 4; ++p)
    producers.emplace_back([&, p] {
      for (int i = 0; i < 500; ++i) emitter.emit({{"producer", p}, {"i", i}});
    });
  for (auto& t : producers) t.join();
  emitter.flush();
  ASSERT_EQ(lines.written.size(), 2000u);
  std::vector<int> next(4, 0);
  for (const auto& line : lines.written) {
    auto event = nlohmann::json::parse(line);
    int p = event["producer"];
    EXPECT_EQ(event["i"], next[p]++);
  }
}

}  // namespace
}  // namespace dictate
