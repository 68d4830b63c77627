#pragma once
// The ordered record of every platform call a scripted backend received.

#include <string>
#include <vector>

namespace platform::scripted {

struct CallLog {
  std::vector<std::string> calls;
  void add(std::string call) { calls.push_back(std::move(call)); }
  // The calls that begin with a prefix, in order.
  std::vector<std::string> starting(const std::string& prefix) const;
  void clear() { calls.clear(); }
};

}  // namespace platform::scripted
