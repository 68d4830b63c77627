#pragma once
// An application's whole accessible tree read in two calls: the toolkit's object cache
// (org.a11y.atspi.Cache.GetItems: every object with its parent, index, child count and role)
// and one collection match of every descendant of the application (the proxies to address
// them by), then the screen extents of every object, asked for all at once and answered
// together. Walking a window call by call costs a round trip for every child, role, name and
// frame; a reading answers those for the whole application in a few.
//
// A reading is taken when children are first asked for, serves for readingLifetime (about one
// walk, so a caller that polls the tree still sees it change), and is dropped whenever this
// process acts on the application. A toolkit without the cache, an object the reading does not
// know, or children it leaves out (table cells of a view that manages its descendants) are
// read call by call as before.

#include <atspi/atspi.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace platform::linux_desktop {

inline constexpr std::chrono::milliseconds readingLifetime{500};

// The children of the accessible (borrowed proxies), from a reading of its application taken
// now or less than readingLifetime ago; none when the reading does not know all of them.
std::optional<std::vector<AtspiAccessible*>> readChildren(AtspiAccessible* accessible);

// What a current reading holds of one object; null when no reading is at hand or the object
// is not in it. Never reads.
struct ReadObject {
  AtspiRole role = ATSPI_ROLE_INVALID;
  std::string name;
  std::string description;
  bool hasComponent = false;
  std::optional<AtspiRect> extents;  // on the screen; none for windows and when no answer came
};
const ReadObject* readObject(AtspiAccessible* accessible);

// Drops every reading: called before this process acts on an application.
void forgetReadings();

}  // namespace platform::linux_desktop
