#pragma once
// Which input each toolkit accepts, measured on Debian 12 with openbox:
//
//   toolkit (AT-SPI toolkit name)   synthetic keys   synthetic pointer   so they go by
//   GTK 3 ("gtk" 3.x)               accepted         accepted            synthetic events
//   GTK 2 with its bridge ("GAIL")  accepted         accepted            synthetic events
//   Qt 5 ("Qt")                     accepted         ignored             synthetic keys, XTest pointer
//   GTK 4 ("GTK" 4.x)               ignored          ignored             XTest
//   no accessibility (xterm, Tk...) ignored          ignored             XTest
//   Firefox ("Gecko"), Chromium     not relied on    not relied on       XTest
//
// XTest is real input: it reaches whatever is on top and focused. It is only ever sent to the
// target's window after that window was made active (the core gives the user's window back and
// reports "stoleFocus"), and pointer input only where that window is the topmost one.

#include <cstdint>

namespace platform::linux_desktop {

enum class InputRoute { synthetic, xtest };

InputRoute keyRoute(int32_t pid);
InputRoute pointerRoute(int32_t pid);

}  // namespace platform::linux_desktop
