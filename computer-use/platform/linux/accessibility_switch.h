#pragma once

#include <optional>

namespace platform::linux_desktop {

// The session's switch for assistive technologies (org.a11y.Status "IsEnabled" on the
// accessibility bus launcher). Browsers (Firefox, Chromium) and Qt join the accessibility bus
// and build their trees only while it is on, and they watch it while running.

// The switch's state; none when the launcher does not answer within its time limit.
std::optional<bool> accessibilitySwitchOn();

// Turns the switch on for the whole session (as a screen reader does); whether the launcher
// accepted it.
bool turnAccessibilitySwitchOn();

}  // namespace platform::linux_desktop
