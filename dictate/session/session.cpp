#include "session/session.h"

#include "protocol/command.h"
#include "protocol/emitter.h"

namespace dictate {

Session::Session(SpeechPlatform& platform, asio::any_io_executor executor)
    : platform(platform), executor(std::move(executor)), engine(platform.makeAudioEngine()) {}

Session::~Session() { closeMicrophone(); }

asio::awaitable<void> Session::run(StreamPtr<std::string> commands) {
  co_await announceReady();
  while (auto line = co_await commands->next()) {
    auto word = commandWord(*line);
    if (!word) continue;
    if (*word == "start")
      asio::co_spawn(executor, start(), asio::detached);
    else if (*word == "stop")
      asio::co_spawn(executor, stop(), asio::detached);
    else if (*word == "prewarm")
      asio::co_spawn(executor, prewarm(), asio::detached);
    else
      emit({{"type", "error"}, {"message", "unknown command: " + *word}});
  }
  // The last results are written before the process exits; whatever else is still pending only
  // undoes what it began, and the process need not wait for it.
  auto finishing = collector;
  co_await stop(false);
  if (finishing) co_await finishing->ended->next();
}

asio::awaitable<void> Session::announceReady() {
  auto supported = co_await platform.supportedLocale(TARGET_LOCALE);
  if (!supported) {
    emit({{"type", "ready"}, {"ok", false}, {"reason", std::string("locale ") + TARGET_LOCALE + " is not supported"}});
    co_return;
  }
  locale = supported;
  bool installed = co_await isInstalled(*supported);
  emit({{"type", "ready"}, {"ok", true}, {"locale", *supported}, {"installed", installed}});
}

asio::awaitable<bool> Session::isInstalled(const std::string& locale) {
  for (const auto& installed : co_await platform.installedLocales())
    if (installed == locale) co_return true;
  co_return false;
}

}  // namespace dictate
