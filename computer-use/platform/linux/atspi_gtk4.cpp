#include "platform/linux/atspi_gtk4.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/linux/atspi_element.h"

namespace platform::linux_desktop {
namespace {

// A class name: one word of two or more capitalised parts and nothing else ("GtkMenuButton").
bool looksLikeClassName(const std::string& name) {
  if (name.size() < 4 || !std::isupper(static_cast<unsigned char>(name[0]))) return false;
  int parts = 0;
  bool lowerSeen = false;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c)) return false;
    if (std::isupper(c)) {
      if (i > 0 && !lowerSeen) return false;  // "OK", "USB": an abbreviation, not a class
      ++parts;
      lowerSeen = false;
    } else {
      lowerSeen = true;
    }
  }
  return parts >= 2 && lowerSeen;
}

bool isButtonRole(AtspiRole r) {
  return r == ATSPI_ROLE_PUSH_BUTTON || r == ATSPI_ROLE_TOGGLE_BUTTON || r == ATSPI_ROLE_PUSH_BUTTON_MENU;
}

}  // namespace

std::string gtk4Name(const std::string& name, const std::function<std::vector<std::string>()>& labelNames) {
  const size_t half = name.size() / 2;
  const bool doubled = name.size() % 2 == 1 && name[half] == ' ' && name.compare(0, half, name, half + 1) == 0;
  if (!doubled && !looksLikeClassName(name)) return name;
  const auto near = labelNames();
  if (doubled) {
    std::string once = name.substr(0, half);
    return std::find(near.begin(), near.end(), once) != near.end() ? once : name;
  }
  // A label that happens to read like a class ("GitHub") is also its label's name.
  return std::find(near.begin(), near.end(), name) != near.end() ? name : std::string();
}

bool gtk4KeepsChild(AtspiRole parentRole, AtspiRole childRole) {
  return !isButtonRole(parentRole) || isButtonRole(childRole) || childRole == ATSPI_ROLE_CHECK_BOX ||
         childRole == ATSPI_ROLE_RADIO_BUTTON || childRole == ATSPI_ROLE_MENU;
}

int wholeTextEnd(AtspiAccessible* accessible) {
  return drawnByGtk4(accessible) ? std::numeric_limits<int>::max() : -1;
}

}  // namespace platform::linux_desktop
