#pragma once
// Element handles on AT-SPI and the time-limited calls made through them.
//
// Every call to an application goes through ask(): it is refused at once for an application
// that already let one call run into the time limit during this run, so a hung application
// costs one time limit per run, not one per element.

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/value.h"

namespace platform::linux_desktop {

// The limit of one D-Bus call to an application, in milliseconds.
inline constexpr int atspiCallLimitMs = 1500;

// Connects to the accessibility bus of the session bus once per run, with the call limit set
// and GLib's logging silenced. False when there is no session bus or no accessibility bus;
// nothing is started then (a process without a session address would otherwise autolaunch a
// private bus that takes over the accessibility socket of the real one). The connection is made
// within atspiSetupLimitSeconds: a bus daemon that accepts and never answers would block it for
// ever; AT-SPI is then left alone for the rest of the run and atspiAnswers() is false.
bool atspiReady();
bool atspiAnswers();

inline constexpr double atspiSetupLimitSeconds = 3.0;

// One accessible object of another process. Holds a reference to the AT-SPI proxy, released
// with the last handle; values that cannot change during a run are read once.
class AtspiElement : public ElementObject {
 public:
  // Adopts one reference to the accessible (may be null: an application that is not on the
  // accessibility bus); pid is the process it belongs to.
  AtspiElement(AtspiAccessible* accessible, int32_t pid);
  ~AtspiElement() override;
  AtspiElement(const AtspiElement&) = delete;
  AtspiElement& operator=(const AtspiElement&) = delete;

  AtspiAccessible* accessible() const { return accessible_; }
  int32_t pid() const { return pid_; }

  // Cached per element, for the life of the handle.
  std::optional<AtspiRole> role() const;
  // The toolkit's object attributes ("placeholder-text", ...).
  const std::map<std::string, std::string>& objectAttributes() const;

  // Screen extents (moved by the window's origin, see setWindowOrigin); a size read right after
  // a position (how frames are read) reuses the answer of the position instead of asking again.
  std::optional<AtspiRect> extents(bool reuseLast) const;

 private:
  AtspiAccessible* accessible_;
  int32_t pid_;
  mutable std::optional<AtspiRole> role_;
  mutable std::optional<std::map<std::string, std::string>> attributes_;
  mutable std::optional<AtspiRect> lastExtents_;
  std::optional<AtspiRect> readExtents() const;
};

// Where the (0,0) of a window's contents is on the screen, for a toolkit that reports
// coordinates relative to the window (none: it reports screen positions). The extents of
// everything in that window are then moved by it.
void setWindowOrigin(AtspiAccessible* window, std::optional<Point> origin);

// Whether the accessible's application is drawn by GTK 4 (atspi_gtk4.h). Asked once per
// application.
bool drawnByGtk4(AtspiAccessible* accessible);

// The state that tells whether the application draws an object: SHOWING, except for GTK 4,
// which never sets it and sets VISIBLE on what it draws.
AtspiStateType shownState(AtspiAccessible* accessible);

// Whether the application answers frames with nothing until it has fetched them (Gecko, for a
// page, from the page's process). Asked once per application.
bool fetchesFramesLazily(AtspiAccessible* accessible);

// The backend's object behind a handle; null for an empty handle or another backend's.
const AtspiElement* atspiElement(const AXUIElement& element);

// A handle for an accessible whose reference the caller hands over (null gives an empty
// handle). The same object always gives the same handle while one is alive.
AXUIElement wrap(AtspiAccessible* adopted, int32_t pid);

// Runs one call to the application of the accessible with an error slot; false when the call
// failed or was refused. A call that took (nearly) the whole time limit marks the application as
// not answering for the rest of the run, unless the call returns true for an answer that came:
// libatspi hides some failures, but a slow answer is still an answer.
template <class F>
bool ask(AtspiAccessible* accessible, F&& call);

// Sends a D-Bus method call (consumed) to the application of the accessible, through ask();
// the reply (the caller's to unref) when it came in time with the given signature, else null.
DBusMessage* callApplication(AtspiAccessible* accessible, DBusMessage* call, const char* signature);

bool answering(AtspiAccessible* accessible);
void noteCallTime(AtspiAccessible* accessible, std::chrono::steady_clock::duration spent);

// GLib string results, freed on scope exit.
std::optional<std::string> takeString(gchar* text);

template <class F>
bool ask(AtspiAccessible* accessible, F&& call) {
  if (accessible == nullptr || !answering(accessible)) return false;
  GError* error = nullptr;
  auto start = std::chrono::steady_clock::now();
  bool answered = false;
  if constexpr (std::is_same_v<decltype(call(&error)), bool>)
    answered = call(&error);
  else
    call(&error);
  if (!answered) noteCallTime(accessible, std::chrono::steady_clock::now() - start);
  if (error != nullptr) {
    g_error_free(error);
    return false;
  }
  return answering(accessible);
}

}  // namespace platform::linux_desktop
