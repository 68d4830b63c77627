#include "protocol/emitter.h"

namespace dictate {

Emitter::Emitter(Writer write) : write_(std::move(write)), thread_([this] { drain(); }) {}

Emitter::~Emitter() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void Emitter::emit(const Event& event) {
  std::string line;
  try {
    line = event.dump() + '\n';
  } catch (const nlohmann::json::exception&) {
    return;  // not serialisable (invalid UTF-8): dropped
  }
  {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  changed_.notify_all();
}

void Emitter::flush() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return lines_.empty() && !writing_; });
}

void Emitter::drain() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !lines_.empty() || closing_; });
    if (lines_.empty()) return;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    writing_ = true;
    lock.unlock();
    write_(line);
    lock.lock();
    writing_ = false;
    changed_.notify_all();
  }
}

void emit(const Event& event) { Emitter::shared().emit(event); }

}  // namespace dictate
