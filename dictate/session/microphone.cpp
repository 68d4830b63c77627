#include "session/session.h"

#include "session/dictate_error.h"
#include "session/tap.h"

namespace dictate {

Failure Session::startMicrophone() {
  if (!analyzerFormat) return description(DictateError::noAudioFormat);
  const AudioFormat input = engine->inputFormat();
  if (!(input.sampleRate > 0)) return description(DictateError::noMicrophone);
  auto converter = platform.makeConverter(input, *analyzerFormat);
  if (!converter) return description(DictateError::noAudioFormat);
  engine->installTap(tap::bufferSize, input, makeTapHandler(converter, *analyzerFormat, inputContinuation));
  tapInstalled = true;
  return engine->start();  // on failure the tap stays for the caller's teardown() to remove
}

void Session::closeMicrophone() {
  if (tapInstalled) {
    engine->removeTap();
    tapInstalled = false;
  }
  if (engine->isRunning()) engine->stop();
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
