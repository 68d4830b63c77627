#pragma once
// Event records delivered to the toolkit's window by the route it accepts (input_routes.h):
// XTest for toolkits that ignore synthetic events, else synthetic X events, as below.
//
// Synthetic X events are sent with XSendEvent and an event mask of 0:
// the server then hands the event to the client that created the window, and GTK3 handles it
// (with any other mask GTK3 never sees it).
//
//   mouse moved    → EnterNotify, MotionNotify
//   left down / up → ButtonPress / ButtonRelease of button 1
//   left dragged   → MotionNotify with button 1 held
//   key down / up  → KeyPress / KeyRelease with the key's keycode and modifier state
//   text (a key event carrying characters) → a KeyPress and KeyRelease per code point, all on
//                    the key-down; its key-up has nothing left to release
//
// Mouse events go to the client window named by the event's window-number field (else the
// process's key target) at the window location, which counts from the frame's top-left
// corner and is turned into client coordinates here. Key events go to the process's key
// target (see x_events_windows.h). Every event is stamped with the X server's time of the
// moment it is sent: a gesture's press and release are a few milliseconds apart and belong
// together. A gesture starts with a new click group; one that would follow the client's last
// press closer than GTK's double-click time waits out the rest of it, so two gestures never
// count as one double click.

#include <X11/Xlib.h>

#include <cstdint>

#include "platform/events.h"

namespace platform::linux_desktop {

// Field numbers of an event record (the same numbers the gesture code writes).
namespace RecordField {
inline constexpr uint32_t windowNumber = 51;
inline constexpr uint32_t clickGroup = 58;
}

// Delivers one event record to a process; whether it arrives is not observed. False only for a
// key or character that no key of the keyboard can type.
bool postEvent(int32_t pid, const CGEvent& event);

// Tells the client that owns the window that the window gained or lost the keyboard focus.
// The X input focus itself is not changed.
void postFocusChange(Window window, bool gained);

}  // namespace platform::linux_desktop
