#include "protocol/command_stream.h"

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace dictate {

namespace {

void readLines(int fd, const StreamPtr<std::string>& lines) {
  std::string pending;
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    // Only the new bytes are searched, so that a long line costs time in proportion to its length.
    const char* at = chunk;
    const char* const end = chunk + n;
    while (auto feed = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)))) {
      pending.append(at, feed);
      lines->yield(std::exchange(pending, {}));
      at = feed + 1;
    }
    pending.append(at, end);
  }
  if (!pending.empty()) lines->yield(std::move(pending));
  lines->finish();
}

}  // namespace

StreamPtr<std::string> commandStream(int fd) {
  auto lines = makeStream<std::string>();
  std::thread([fd, lines] { readLines(fd, lines); }).detach();
  return lines;
}

}  // namespace dictate
