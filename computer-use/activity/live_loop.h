#pragma once
// The detached loop that keeps the preview frames of recently used windows fresh.

#include <cstdint>
#include <vector>

namespace dorv {

inline constexpr double liveSeconds = 20.0;
inline constexpr uint32_t liveRefreshMicros = 900000;

// One window read back from "windows.json".
struct RecentWindow {
  int32_t pid = 0;
  uint32_t windowId = 0;
  double width = 800;
  double height = 600;
  double at = 0;  // milliseconds since 1970
};

// Every usable entry of "windows.json", whatever its age; empty when the file is missing or
// malformed.
std::vector<RecentWindow> recentWindows();

// One refresh pass: recaptures the frame of every window used within liveSeconds whose
// application still runs. False when no window was young enough.
bool refreshPass();

// Holds the live lock and refreshes pass after pass until no window is young enough; returns
// at once when another loop holds the lock.
void liveLoop();

}  // namespace dorv
