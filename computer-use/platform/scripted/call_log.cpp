#include "platform/scripted/call_log.h"

namespace platform::scripted {

std::vector<std::string> CallLog::starting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& c : calls)
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

}  // namespace platform::scripted
