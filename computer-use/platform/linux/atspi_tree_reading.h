#pragma once
// An application's whole accessible tree read in two calls: the toolkit's object cache
// (org.a11y.atspi.Cache.GetItems: every object with its parent, child count, interfaces, name,
// role, description and states) and one collection match of every descendant of the
// application (the proxies to address them by), then the screen extents of every object, asked
// for all at once and answered together. Walking a window call by call costs a round trip for
// every child, role, name, state and frame; a reading answers those for the whole application
// in a few.
//
// Children the cache does not list in full (an application's windows, menus, the cells of a
// view that manages its descendants, which the toolkit leaves out of its cache) are added to
// the reading level by level, again in calls sent together: the children, then what the cache
// would have said of the ones the reading lacks.
//
// A reading is taken when children are first asked for, serves for readingLifetime (about one
// walk, so a caller that polls the tree still sees it change), and is dropped whenever this
// process acts on the application. A toolkit without the cache, or an object the reading does
// not know, is read call by call as before.

#include <atspi/atspi.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform::linux_desktop {

inline constexpr std::chrono::milliseconds readingLifetime{500};

// The children of the accessible (borrowed proxies), from a reading of its application taken
// less than readingLifetime ago, or else now when takeIfNone; none when no reading can tell them.
std::optional<std::vector<AtspiAccessible*>> readChildren(AtspiAccessible* accessible, bool takeIfNone);

// What a current reading holds of one object; null when no reading is at hand or the object
// is not in it. Never reads.
struct ReadObject {
  AtspiRole role = ATSPI_ROLE_INVALID;
  std::string name;
  std::string description;
  // D-Bus interface names (ATSPI_DBUS_INTERFACE_TEXT, ...).
  std::set<std::string> interfaces;
  // Bits 1 << AtspiStateType. A window's states change under a walk (it is activated,
  // minimised), so they are not held for windows.
  std::optional<uint64_t> states;
  // On the screen; none for windows, objects not showing and when no answer came.
  std::optional<AtspiRect> extents;
  // Read with the frames of the objects showing, where a walk asks for them: the whole text of a
  // text object, the current value of a value object, and for a control without a name or
  // description its object attributes and identifier. None where not read.
  std::optional<std::string> text;
  std::optional<double> currentValue;
  std::optional<std::map<std::string, std::string>> attributes;
  std::optional<std::string> accessibleId;

  bool offers(const std::string& interface) const { return interfaces.count(interface) != 0; }
  // Not showing by the reading's states, so without a frame: the toolkit draws it nowhere (GTK
  // answers for its frame a position of INT_MIN).
  bool hidden() const { return states && !((*states >> shown) & 1); }
  AtspiStateType shown = ATSPI_STATE_SHOWING;  // shownState() of its application
};
const ReadObject* readObject(AtspiAccessible* accessible);

// Drops every reading: called before this process acts on an application.
void forgetReadings();

}  // namespace platform::linux_desktop
