#pragma once
// The ordered record of every platform call a scripted backend received.

#include <mutex>
#include <string>
#include <vector>

namespace platform::scripted {

struct CallLog {
  std::vector<std::string> calls;
  // A command may write an image on another thread while it reads the tree.
  void add(std::string call) {
    std::lock_guard<std::mutex> hold(adding);
    calls.push_back(std::move(call));
  }
  // The calls that begin with a prefix, in order.
  std::vector<std::string> starting(const std::string& prefix) const;
  void clear() { calls.clear(); }

 private:
  std::mutex adding;
};

}  // namespace platform::scripted
