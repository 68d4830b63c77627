// Compiled into the capture plugin only.

#include "platform/linux/backends.h"
#include "platform/linux/capture_plugin.h"

extern "C" platform::Capture* dorv_make_capture() {
  return platform::linux_desktop::makeCapture().release();
}
