#pragma once
// The one X connection of a run, shared by the X-based parts of the Linux backend.

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

namespace platform::linux_desktop {

// The display, opened on first use with an error handler that records errors instead of
// exiting; null when there is no X server or it did not answer within displayOpenLimitSeconds.
// Losing the connection later ends the run (platform::desktopLost).
Display* display();

inline constexpr double displayOpenLimitSeconds = 3.0;

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
// A window property as bytes (UTF8_STRING, STRING...), or none.
std::optional<std::string> stringProperty(Window window, Atom property, Atom type);

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
