#pragma once
// A window's pixels read from the X server.

#include <cstdint>

#include "platform/capture.h"

namespace platform::linux_desktop {

// The image of the window's frame (the window manager's parent of the client window, or the
// window itself when it is unmanaged), in full even where it is covered or off the screen;
// null when the window is gone or not viewable (minimised, on another desktop). Without a
// compositor the frame is redirected for the moment of the capture and the capture waits, at
// most timeoutSeconds, for the window to be painted into its new pixmap.
// Captures run on an X connection of their own, one at a time, from any thread.
Image grabWindow(uint32_t windowId, double timeoutSeconds);

// Opens that connection and asks what it offers, ahead of the first capture.
void prepareGrabbing();

}  // namespace platform::linux_desktop
