#include "session/session.h"

#include "session/dictate_error.h"
#include "session/tap.h"

namespace dictate {

asio::awaitable<Failure> Session::startMicrophone() {
  if (!analyzerFormat) co_return description(DictateError::noAudioFormat);
  const AudioFormat format = *analyzerFormat;
  const auto input = inputContinuation;
  const AudioFormat microphone = co_await engine->inputFormat();
  if (!(microphone.sampleRate > 0)) co_return description(DictateError::noMicrophone);
  auto converter = platform.makeConverter(microphone, format);
  if (!converter) co_return description(DictateError::noAudioFormat);
  engine->installTap(tap::bufferSize, microphone, makeTapHandler(converter, format, input), makeLossHandler(input));
  tapInstalled = true;
  co_return co_await engine->start();  // on failure the tap stays for the caller's teardown() to remove
}

void Session::closeMicrophone() {
  if (tapInstalled) {
    engine->removeTap();
    tapInstalled = false;
  }
  // Also when only opened: a start that failed or was overtaken leaves the device open.
  engine->stop();
  if (inputContinuation) inputContinuation->finish();
}

double Session::playChime(Chime chime) {
  for (const auto& path : paths(chime)) {
    if (!platform.fileExists(path)) continue;
    auto player = platform.makePlayer(path);
    if (!player) continue;
    chimePlayer = std::move(player);
    chimePlayer->play();
    return chimePlayer->duration();
  }
  return 0;
}

}  // namespace dictate
