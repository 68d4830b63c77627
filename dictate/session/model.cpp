#include "session/session.h"

#include "protocol/emitter.h"
#include "session/dictate_error.h"

namespace dictate {

asio::awaitable<void> Session::prewarm() {
  if (!locale) co_return;
  const std::string target = *locale;
  if (co_await isInstalled(target)) {
    emit({{"type", "state"}, {"state", "ready"}});
    co_return;
  }
  emit({{"type", "state"}, {"state", "preparing"}});
  auto transcriber = platform.makeTranscriber(target);
  std::string failure;
  try {
    if (auto request = co_await platform.assetInstallationRequest(transcriber))
      co_await request->downloadAndInstall();
  } catch (const std::exception& error) {
    failure = error.what();
    if (failure.empty()) failure = "unknown error";
  }
  if (!failure.empty()) {
    emit({{"type", "error"}, {"message", "model download failed: " + failure}});
    co_return;
  }
  emit({{"type", "state"}, {"state", "ready"}});
}

asio::awaitable<void> Session::openAnalyzer(std::string locale) {
  auto transcriber = platform.makeTranscriber(locale);
  auto input = makeStream<AudioBuffer>();
  auto opened = platform.makeAnalyzer(transcriber);
  co_await opened->start(input);
  auto format = co_await platform.bestAvailableAudioFormat(transcriber);
  if (!format) {
    input->finish();
    throw DictateError::noAudioFormat();
  }
  analyzer = opened;
  analyzerFormat = format;
  inputContinuation = input;
  const int64_t run = generation;
  auto task = std::make_shared<CollectorTask>();
  asio::co_spawn(executor, collect(transcriber, run),
                 asio::bind_cancellation_slot(task->signal.slot(),
                                              [task](std::exception_ptr) { task->finished = true; }));
  collector = task;
}

asio::awaitable<void> Session::collect(std::shared_ptr<Transcriber> transcriber, int64_t run) {
  auto results = transcriber->results();
  std::string failure;
  try {
    while (auto result = co_await results->next()) {
      if (result->text.empty() && !result->isFinal) continue;
      emit({{"type", result->isFinal ? "final" : "partial"}, {"text", result->text}, {"run", run}});
    }
  } catch (const asio::system_error& error) {
    if (error.code() != asio::error::operation_aborted) failure = error.what();
  } catch (const StreamFailure& error) {
    failure = error.what();
  }
  if (!failure.empty()) emit({{"type", "error"}, {"message", "transcription stopped: " + failure}});
}

}  // namespace dictate
