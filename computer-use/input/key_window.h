#pragma once
// Which window is in front, and making a window key without bringing its application front.

#include <cstdint>
#include <optional>

namespace dorv {

// Makes the window the key window of its process by focus and make-key records alone, with
// pauses of 50, 100 and 50 ms between the steps. Does nothing without the private channel.
void makeKeyQuietly(int32_t pid, uint32_t windowId);

struct FrontWindow {
  int32_t pid;
  uint32_t windowId;
};

// The frontmost application's front window on the normal layer, or none.
std::optional<FrontWindow> frontWindow();

}  // namespace dorv
