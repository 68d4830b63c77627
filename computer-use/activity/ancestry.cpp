#include "activity/ancestry.h"

#include "platform/platform.h"

namespace dorv {
namespace {
constexpr size_t maxAncestors = 20;
}

std::optional<int32_t> parentPid(int32_t pid) {
  auto parent = platform::system().parentPid(pid);
  if (!parent || *parent < 2) return std::nullopt;
  return parent;
}

std::vector<int64_t> ancestors() {
  std::vector<int64_t> chain;
  int32_t p = platform::system().parentProcessId();
  if (p < 2) return chain;
  while (chain.size() < maxAncestors) {
    chain.push_back(p);
    auto parent = parentPid(p);
    if (!parent) break;
    p = *parent;
  }
  return chain;
}

}  // namespace dorv
