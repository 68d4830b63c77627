#pragma once
// Walking AT-SPI trees: applications by pid, children, parents, states, top-level windows and
// the X client windows they stand for, and hit-testing with the X stacking order.

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/atspi_element.h"
#include "platform/linux/x_events_windows.h"

namespace platform::linux_desktop {

// The application's root accessible on the bus (a new reference), or null.
AtspiAccessible* findApplication(int32_t pid);

// State bits (1 << AtspiStateType), or none when the application does not answer.
std::optional<uint64_t> states(const AtspiElement& element);
inline bool hasState(uint64_t bits, AtspiStateType state) { return (bits >> state) & 1; }

// From a reading of the application's tree where it knows them, else call by call.
std::vector<AXUIElement> children(const AtspiElement& element);
std::vector<AXUIElement> childrenCallByCall(const AtspiElement& element);
// The parent, or an empty handle at the top (an application has no parent).
AXUIElement parent(const AtspiElement& element);
int indexInParent(const AtspiElement& element);

// A top-level window of an application and the client window it stands for (same pid, paired
// by window_pairing.h); for a toolkit without screen positions, the window's origin is noted
// for the extents of everything in it (setWindowOrigin). The application's client
// windows left without an accessible window follow as plain windows (plain_windows.h), from
// the top of the stack down.
struct MatchedWindow {
  AXUIElement element;
  std::optional<ClientWindow> client;
};
std::vector<MatchedWindow> matchedWindows(const AtspiElement& application);

// The toolkit the process's application names on the accessibility bus; none for a process
// that is not on it.
struct Toolkit {
  std::string name;
  std::string version;
};
std::optional<Toolkit> toolkitOf(int32_t pid);
// The same of an application's root accessible.
Toolkit toolkitOf(AtspiAccessible* application);
// GTK 4 draws without SHOWING states, reports window-relative positions and ignores
// synthetic input.
bool isGtk4(const Toolkit& toolkit);

// The application an element belongs to (itself for an application).
AXUIElement applicationOf(const AtspiElement& element);

// The window the application's focus is in: the active one, else the one made key in this
// run; none when the application is in the background.
AXUIElement focusedWindow(const AtspiElement& application);
// The focused window, else the window made key in this run, else the topmost viewable one.
AXUIElement mainWindow(const AtspiElement& application);

// The deepest element of the application under a screen point, when the topmost client
// window there is one of the application's.
AXUIElement elementAt(const AtspiElement& application, int x, int y);

}  // namespace platform::linux_desktop
