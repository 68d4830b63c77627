#pragma once
// The chain of processes that started this run.

#include <cstdint>
#include <optional>
#include <vector>

namespace dorv {

// At most 20 parent process ids, nearest first, never 0 or 1.
std::vector<int64_t> ancestors();

// The parent of a process; none when it cannot be read or is below 2.
std::optional<int32_t> parentPid(int32_t pid);

}  // namespace dorv
