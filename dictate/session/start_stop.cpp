#include "session/session.h"

#include "protocol/emitter.h"

namespace dictate {

namespace {

void emitState(const char* state) { emit({{"type", "state"}, {"state", state}}); }

void emitError(const std::string& message) { emit({{"type", "error"}, {"message", message}}); }

}  // namespace

asio::awaitable<void> Session::start() {
  if (listening || starting) co_return;
  starting = true;
  if (!locale) {
    emitError("no supported locale");
    starting = false;
    co_return;
  }
  // Every stop increments generation: each resumption below compares it with this copy.
  const int64_t gen = generation;

  if (!co_await platform.requestMicrophoneAccess()) {
    emitError("microphone access denied");
    starting = false;
    co_return;
  }
  if (generation != gen) {
    starting = false;
    co_return;
  }

  co_await prewarm();
  if (generation != gen) {
    starting = false;
    co_return;
  }

  const double t0 = platform.now();
  const double chimeDuration = playChime(Chime::begin);
  if (auto failure = co_await openAnalyzer(*locale)) {
    emitError("could not start: " + *failure);
    teardown();
    starting = false;
    co_return;
  }

  // The microphone opens only once the chime is over, so the chime is not dictated.
  const double remaining = chimeDuration - (platform.now() - t0);
  if (remaining > 0) co_await platform.sleep(int64_t(remaining * 1e9));
  if (generation != gen) {
    teardown();
    starting = false;
    co_return;
  }

  auto failure = co_await startMicrophone();
  // A stop while the device was opening has been answered already: no error, no "listening".
  if (generation != gen) {
    teardown();
    starting = false;
    co_return;
  }
  if (failure) {
    emitError("could not start: " + *failure);
    teardown();
    starting = false;
    co_return;
  }
  listening = true;
  emitState("listening");
  starting = false;
}

asio::awaitable<void> Session::stop(bool endChime) {
  ++generation;
  if (!listening) {
    teardown();
    emitState("idle");
    co_return;
  }
  listening = false;
  auto finishing = analyzer;
  closeMicrophone();
  analyzer.reset();
  analyzerFormat.reset();
  inputContinuation.reset();
  collector.reset();  // released, not cancelled: the last results are still to come
  if (endChime) playChime(Chime::end);
  emitState("idle");
  // A failed finalisation only loses the last results; the collector ends either way.
  if (finishing) co_await finishing->finalizeAndFinishThroughEndOfInput();
}

void Session::teardown() {
  closeMicrophone();
  if (collector && !collector->finished) collector->signal.emit(asio::cancellation_type::terminal);
  collector.reset();
  analyzer.reset();
  analyzerFormat.reset();
  inputContinuation.reset();
}

}  // namespace dictate
