#include "platform/linux/linux_platform.h"
#include "protocol/command_stream.h"
#include "protocol/emitter.h"
#include "session/session.h"

#include <asio.hpp>

#include <csignal>

using namespace dictate;

int main() {
  // A host that closed our output must not kill us: failed writes are dropped instead.
  std::signal(SIGPIPE, SIG_IGN);
  auto platform = makeLinuxPlatform();
  if (auto reason = platform->unsupportedSystemReason()) {
    emit({{"type", "ready"}, {"ok", false}, {"reason", *reason}});
    auto lines = commandStream();
    while (lines->pop()) {
    }
    Emitter::shared().flush();
    return 0;
  }
  {
    asio::io_context executor(1);
    Session session(*platform, executor.get_executor());
    asio::co_spawn(executor, session.run(commandStream()), asio::detached);
    executor.run();
  }
  Emitter::shared().flush();
  return 0;
}
