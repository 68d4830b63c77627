#pragma once

#include <nlohmann/json.hpp>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace dictate {

// A flat map of string keys to strings, booleans and integers.
using Event = nlohmann::json;

// The one writer of event lines: serialises on the caller's thread and writes on a serial
// thread of its own, so producers never block on the output pipe and lines never interleave.
class Emitter {
public:
  // Receives each complete line, terminator included, on the writer thread; failures are the
  // writer's to drop.
  using Writer = std::function<void(const std::string& line)>;

  // The process-wide instance; each program supplies its definition.
  static Emitter& shared();

  explicit Emitter(Writer write);
  ~Emitter();
  Emitter(const Emitter&) = delete;
  Emitter& operator=(const Emitter&) = delete;

  // Never blocks on the output and never fails: an event that cannot be serialised (a string
  // that is not UTF-8) is dropped.
  void emit(const Event& event);
  // Must not be called from the writer. Blocks until every line submitted before the call has been written.
  void flush();

private:
  void drain();

  Writer write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;
  bool writing_ = false;
  bool closing_ = false;
  std::thread thread_;
};

void emit(const Event& event);

}  // namespace dictate
