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
  auto answer = co_await platform.assetInstallationRequest(platform.makeTranscriber(target));
  Failure failure = answer.failure;
  if (!failure && answer.request) failure = co_await answer.request->downloadAndInstall();
  if (failure) {
    emit({{"type", "error"}, {"message", "model download failed: " + *failure}});
    co_return;
  }
  emit({{"type", "state"}, {"state", "ready"}});
}

asio::awaitable<Failure> Session::openAnalyzer(std::string locale) {
  auto transcriber = platform.makeTranscriber(locale);
  auto input = makeStream<AudioBuffer>();
  auto opened = platform.makeAnalyzer(transcriber);
  if (auto failure = co_await opened->start(input)) co_return failure;
  auto format = co_await platform.bestAvailableAudioFormat(transcriber);
  if (!format) {
    input->finish();
    co_return description(DictateError::noAudioFormat);
  }
  analyzer = opened;
  analyzerFormat = format;
  inputContinuation = input;
  const int64_t run = generation;
  auto task = std::make_shared<CollectorTask>();
  asio::co_spawn(executor, collect(transcriber, run),
                 asio::bind_cancellation_slot(task->signal.slot(), [task](std::exception_ptr) {
                   task->finished = true;
                   task->ended->finish();
                 }));
  collector = task;
  co_return std::nullopt;
}

asio::awaitable<void> Session::collect(std::shared_ptr<Transcriber> transcriber, int64_t run) {
  auto results = transcriber->results();
  while (auto result = co_await results->next()) {
    if (result->text.empty() && !result->isFinal) continue;
    emit({{"type", result->isFinal ? "final" : "partial"}, {"text", result->text}, {"run", run}});
  }
  auto cancellation = co_await asio::this_coro::cancellation_state;
  if (cancellation.cancelled() != asio::cancellation_type::none) co_return;
  if (auto failure = results->failure())
    emit({{"type", "error"}, {"message", "transcription stopped: " + *failure}});
}

}  // namespace dictate
