#pragma once
// An application's ordinary windows, from the window server's list.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/value.h"

namespace dorv {

struct WindowInfo {
  uint32_t id = 0;
  std::string title;
  platform::Rect frame;  // global screen points
  bool onScreen = false;
};

// The process's normal-layer windows larger than 50 by 50 points, front to back.
std::vector<WindowInfo> windows(int32_t pid);
// Those of every process, from one reading of the window list.
std::map<int32_t, std::vector<WindowInfo>> windowsByOwner();

// The integer reading of a window-list number: present only for an integer of that range.
std::optional<int64_t> integerValue(const platform::Value& value, int64_t min, int64_t max);

}  // namespace dorv
