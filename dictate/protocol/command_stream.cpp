#include "protocol/command_stream.h"

#include <cerrno>
#include <thread>

namespace dictate {

namespace {

void readLines(int fd, const StreamPtr<std::string>& lines) {
  std::string pending;
  char chunk[4096];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(chunk, size_t(n));
    size_t begin = 0;
    for (size_t end; (end = pending.find('\n', begin)) != std::string::npos; begin = end + 1)
      lines->yield(pending.substr(begin, end - begin));
    pending.erase(0, begin);
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
