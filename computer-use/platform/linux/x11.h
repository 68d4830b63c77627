#pragma once
// The one X connection of a run, shared by the X-based parts of the Linux backend.

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::linux_desktop {

// The display, opened on first use with an error handler that records errors instead of
// exiting; null when there is no X server or it did not answer within displayOpenLimitSeconds.
// Losing the connection later ends the run (platform::desktopLost).
Display* display();

inline constexpr double displayOpenLimitSeconds = 3.0;

// Starts opening the display of display() on its thread, for a caller with other work to do
// meanwhile; the time limit counts from here.
void startOpeningDisplay();

// A connection of its own to the display, opened within the time limit, or null; for work that
// cannot wait for the shared one (it may be in use by another thread). Closed by the caller.
Display* openDisplayWithin(double seconds);

// An atom by name, interned once per run.
Atom atom(const char* name);

// Interns several atoms in one round trip, so that later atom() calls for them are free.
void internAtoms(const std::vector<const char*>& names);

// Runs a request and syncs; false when the server answered with an error.
template <class F>
bool checked(F&& request);

// Clears the recorded error state and returns whether an error happened since the last call.
bool takeError();

// A window property as a list of 32-bit items (longs) of the given type, or none.
std::optional<std::vector<unsigned long>> cardinalProperty(Window window, Atom property, Atom type);

// Requests sent together and answered together: xcb requests on the connection of display(),
// every one sent before any answer is read, so that a batch costs one round trip.
// The connection, or null without a display.
xcb_connection_t* connection();

// An answer (freed with it), or null when the request failed, such as for a window that is
// gone. Losing the connection while waiting ends the run, as with Xlib.
template <class Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;
template <class Reply>
XcbReply<Reply> answer(Reply* reply, xcb_generic_error_t* error);

// A window property as the server gave it: bytes of 8-bit items, 4 bytes per 32-bit item.
struct PropertyData {
  Atom type = None;
  int format = 0;
  std::string bytes;
};
// With XGetWindowProperty's conventions: none when the window lacks the property or is gone;
// present with no bytes when its type is not the one asked (AnyPropertyType asks for any).
xcb_get_property_cookie_t requestProperty(Window window, Atom property, Atom type, uint32_t longLength = 1 << 20);
std::optional<PropertyData> propertyReply(xcb_get_property_cookie_t cookie);
// The 32-bit items of a format-32 property; none for an absent one or another format.
std::optional<std::vector<unsigned long>> cardinalItems(const std::optional<PropertyData>& property);

void endRunIfConnectionLost();

template <class Reply>
XcbReply<Reply> answer(Reply* reply, xcb_generic_error_t* error) {
  std::free(error);
  endRunIfConnectionLost();
  return XcbReply<Reply>(reply, &std::free);
}

template <class F>
bool checked(F&& request) {
  Display* d = display();
  if (d == nullptr) return false;
  takeError();
  request(d);
  XSync(d, False);
  return !takeError();
}

}  // namespace platform::linux_desktop
