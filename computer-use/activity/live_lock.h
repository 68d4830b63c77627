#pragma once
// The one advisory lock on "live.lock" that keeps a single live loop per user.

#include <optional>

namespace dorv {

// The descriptor holding the exclusive lock, kept open for the life of the process; none when
// another loop holds it or the file cannot be opened.
std::optional<int> takeLiveLock();

// Starts a detached copy of this program with the command "live" unless a loop holds the lock.
void startLiveLoop();

}  // namespace dorv
