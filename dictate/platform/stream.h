#pragma once

#include <asio.hpp>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace dictate {

// An unbounded, thread-safe sequence: producers on any thread never wait; one consumer
// reads it either from a coroutine on an asio executor or from a thread of its own.
template <typename T>
class Stream {
public:
  // False when the stream was already finished: the value is discarded.
  bool yield(T value) {
    std::lock_guard lock(mutex_);
    if (finished_) return false;
    items_.push_back(std::move(value));
    wakeLocked();
    return true;
  }

  // Ends the stream after the values already yielded; later calls have no effect.
  void finish() {
    std::lock_guard lock(mutex_);
    if (finished_) return;
    finished_ = true;
    wakeLocked();
  }

  // Ends the stream like finish(), recording why the producer gave up.
  void fail(std::string description) {
    std::lock_guard lock(mutex_);
    if (finished_) return;
    finished_ = true;
    failure_ = std::move(description);
    wakeLocked();
  }

  // The next value; none at the end of the stream or once the awaiting task has been cancelled
  // (the caller tells these apart by its cancellation state). Never throws.
  asio::awaitable<std::optional<T>> next() { return nextBefore(asio::steady_timer::time_point::max()); }

  // Like next(), and none as well once `timeout` has passed without a value.
  asio::awaitable<std::optional<T>> next(std::chrono::steady_clock::duration timeout) {
    return nextBefore(std::chrono::steady_clock::now() + timeout);
  }

  // Why the producer failed the stream, once it has; none for a stream ended by finish().
  std::optional<std::string> failure() {
    std::lock_guard lock(mutex_);
    return failure_;
  }

  // Blocking form of next() for a consumer thread.
  std::optional<T> pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !items_.empty() || finished_; });
    return takeLocked();
  }

private:
  asio::awaitable<std::optional<T>> nextBefore(asio::steady_timer::time_point deadline) {
    auto cancellation = co_await asio::this_coro::cancellation_state;
    auto executor = co_await asio::this_coro::executor;
    for (;;) {
      if (cancellation.cancelled() != asio::cancellation_type::none) co_return std::nullopt;
      std::shared_ptr<asio::steady_timer> timer;
      {
        std::lock_guard lock(mutex_);
        if (auto value = takeLocked()) co_return value;
        if (finished_ || std::chrono::steady_clock::now() >= deadline) co_return std::nullopt;
        // A timer that a producer cancels: it keeps the executor's work count up while we
        // wait, and it aborts when the task is cancelled.
        timer = std::make_shared<asio::steady_timer>(executor, deadline);
        waiter_ = timer;
      }
      std::error_code ignored;
      co_await timer->async_wait(asio::redirect_error(asio::use_awaitable, ignored));
    }
  }

  std::optional<T> takeLocked() {
    if (items_.empty()) return std::nullopt;
    std::optional<T> value(std::move(items_.front()));
    items_.pop_front();
    return value;
  }

  void wakeLocked() {
    ready_.notify_one();
    if (auto timer = waiter_.lock()) asio::post(timer->get_executor(), [timer] { timer->cancel(); });
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<T> items_;
  bool finished_ = false;
  std::optional<std::string> failure_;
  // Owned by the waiting coroutine, so it never outlives its executor.
  std::weak_ptr<asio::steady_timer> waiter_;
};

template <typename T>
using StreamPtr = std::shared_ptr<Stream<T>>;

template <typename T>
StreamPtr<T> makeStream() {
  return std::make_shared<Stream<T>>();
}

}  // namespace dictate
