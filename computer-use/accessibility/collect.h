#pragma once
// A window's actionable elements and readable texts, and the numbered lines that describe them.
// The same tree always gives the same order, so a number read from a screenshot's list
// addresses the same element when a later run collects the window again.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/value.h"

namespace dorv {

// The roles that make an element actionable whatever its actions.
extern const std::set<std::string> interactiveRoles;

struct Element {
  platform::AXUIElement ref;
  std::string role;                  // "" when it has none
  std::string label;                 // at most 80 user-perceived characters
  std::optional<std::string> value;  // "AXValue" when a string, at most 80 characters
  platform::Rect frame;              // global screen points; wider and higher than 1
};

struct Collection {
  std::vector<Element> interactive;
  std::vector<std::string> texts;
};

// Depth first, an element before its descendants. Bounded whatever the tree: 60 levels below
// the root, 4000 visits, 300 elements, 80 texts of at most 120 characters.
Collection collect(const platform::AXUIElement& root);

// One line per element, for example `[2] Button "OK" @120,45`: the position is the frame's
// centre relative to the origin, and "?" for a coordinate that cannot be given.
std::vector<std::string> describe(const std::vector<Element>& elements, platform::Point origin);

}  // namespace dorv
