#pragma once
// The window-server calls the Linux desktop can stand in for, under their macOS names; the
// framework path is not looked at, nothing is loaded.
//
//   "SLPSPostEventRecordTo"       a focus record (kind 13) → FocusIn (gained) or FocusOut
//                                 (lost) to the named client window; make-key record 1 → the
//                                 window becomes the one later key events of the process go
//                                 to; make-key record 2 completes it and does nothing more;
//                                 neither raises nor activates anything.
//   "SLEventPostToPid"            the event as synthetic X events (x_events.h)
//   "SLEventSetIntegerValueField" records the field in the event
//   "CGEventSetWindowLocation"    records the window location in the event
//
// Absent, because Linux has nothing like them: "CGSMainConnectionID", "CGSCopySpacesForWindows"
// (AT-SPI lists the windows of every desktop, so windows never need finding elsewhere) and
// "_AXUIElementCreateWithRemoteToken".

#include <array>
#include <cstdint>

#include "platform/events.h"

namespace platform::linux_desktop {

// What "SLPSPostEventRecordTo" does with one 248-byte record addressed to a process.
void postEventRecord(const ProcessSerialNumber& psn, const std::array<uint8_t, 248>& record);

}  // namespace platform::linux_desktop
