#include "platform/linux/linux_platform.h"
#include "protocol/command_stream.h"
#include "protocol/emitter.h"
#include "session/session.h"

#include <asio.hpp>

#include <csignal>
#include <cstdlib>

using namespace dictate;

int main() {
  // A host that closed our output must not kill us: failed writes are dropped instead.
  std::signal(SIGPIPE, SIG_IGN);
  auto platform = makeLinuxPlatform(defaultMaxUtteranceSeconds);
  if (auto reason = platform->unsupportedSystemReason()) {
    emit({{"type", "ready"}, {"ok", false}, {"reason", *reason}});
    auto lines = commandStream();
    while (lines->pop()) {
    }
    Emitter::shared().flush();
    return 0;
  }
  asio::io_context executor(1);
  Session session(*platform, executor.get_executor());
  // Once the session has stopped and written its last results, whatever is left on the
  // executor only undoes an overtaken start: not worth waiting for.
  asio::co_spawn(executor, session.run(commandStream()), [&](std::exception_ptr) { executor.stop(); });
  executor.run();
  Emitter::shared().flush();
  // Device threads abandoned to a device that never answered may still be inside it: leave
  // without the destructors they could race with.
  std::_Exit(0);
}
