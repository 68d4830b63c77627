#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace platform::linux_desktop {

// The session's switch for assistive technologies (org.a11y.Status "IsEnabled" on the
// accessibility bus launcher). Browsers (Firefox, Chromium) and Qt join the accessibility bus
// and build their trees only while it is on, and they watch it while running.

// The switch's state for a process that is not on the accessibility bus; none when the launcher
// does not answer within its time limit. Off for a browser while the switch is on: it has yet to
// be told (it joins when one of its windows gains the focus).
std::optional<bool> accessibilitySwitchOn(int32_t pid);

// Turns the switch on for the whole session (as a screen reader does); whether the launcher
// accepted it.
bool turnAccessibilitySwitchOn();

// After the switch was turned on: waits for a process that may join the accessibility bus to
// join it (at most switchJoinLimit; a browser's windows are told of a focus change, at which it
// joins, without the focus moving), then for the web documents it shows to be loaded and built
// (at most pageBuildLimit more), so that the first reading has the page. Whether the process
// joined; false at once for a process that cannot.
inline constexpr std::chrono::milliseconds switchJoinLimit{3000};
inline constexpr std::chrono::milliseconds pageBuildLimit{6000};
bool awaitJoined(int32_t pid);

}  // namespace platform::linux_desktop
