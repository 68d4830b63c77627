#pragma once
// The capture stack (cairo, libpng, the Composite and Damage extensions and what they pull in)
// lives in a plugin beside the program, so that only the commands that capture load it.

#include <memory>

#include "platform/capture.h"

namespace platform::linux_desktop {

// The plugin's file name, looked up in the program's own directory.
inline constexpr const char* capturePluginName = "dorv-computer-use-capture.so";

// The plugin's one entry point: a new capture, owned by the caller.
using CapturePluginEntry = Capture* (*)();
inline constexpr const char* capturePluginEntryName = "dorv_make_capture";

// A capture that loads the plugin on first use, from any thread; when the plugin is missing
// or broken every capture is absent (null images, failed writes).
std::unique_ptr<Capture> makeLoadedCapture();

}  // namespace platform::linux_desktop
