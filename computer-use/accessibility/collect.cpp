#include "accessibility/collect.h"

#include <algorithm>
#include <cmath>

#include "accessibility/attributes.h"

#include "text/unicode.h"

namespace dorv {

const std::set<std::string> interactiveRoles = {
    "AXButton",      "AXCheckBox",     "AXRadioButton",        "AXTextField", "AXTextArea",
    "AXComboBox",    "AXPopUpButton",  "AXMenuButton",         "AXLink",      "AXMenuItem",
    "AXSlider",      "AXIncrementor",  "AXDisclosureTriangle", "AXTab",       "AXSearchField",
    "AXSegmentedControl", "AXCell",    "AXRow",
};

namespace {

using platform::AXUIElement;

namespace Limit {
constexpr int depth = 60;
constexpr int visits = 4000;
constexpr size_t elements = 300;
constexpr size_t texts = 80;
constexpr size_t valueLength = 80;
constexpr size_t textLength = 120;
}  // namespace Limit

struct Walk {
  Collection result;
  int visits = 0;

  void visit(const AXUIElement& e, int depth) {
    ++visits;
    if (depth > Limit::depth || visits > Limit::visits || result.interactive.size() >= Limit::elements) return;
    const std::string role = ax::text(e, "AXRole").value_or("");
    auto f = ax::frame(e);
    // A NaN extent fails the comparisons, so it counts as too small.
    if (f && std::abs(f->size.width) > 1 && std::abs(f->size.height) > 1) {
      if (isActionable(e, role)) {
        result.interactive.push_back(Element{e, role, ax::label(e), value(e), *f});
      } else if (role == "AXStaticText" && result.texts.size() < Limit::texts) {
        addText(e);
      }
    }
    for (const AXUIElement& child : ax::children(e)) visit(child, depth + 1);
  }

  static bool isActionable(const AXUIElement& e, const std::string& role) {
    if (interactiveRoles.count(role)) return true;
    if (role == "AXGroup" || role == "AXWebArea") return false;
    auto names = ax::actions(e);
    return std::find(names.begin(), names.end(), "AXPress") != names.end();
  }

  static std::optional<std::string> value(const AXUIElement& e) {
    auto s = ax::stringValue(e);
    if (!s) return std::nullopt;
    return text::prefix(*s, Limit::valueLength);
  }

  void addText(const AXUIElement& e) {
    auto s = ax::stringValue(e);
    if (!s) s = ax::text(e, "AXTitle");
    if (!s) return;
    std::string trimmed = text::trimmed(*s);
    if (!trimmed.empty()) result.texts.push_back(text::prefix(trimmed, Limit::textLength));
  }
};

std::string withoutAX(const std::string& role) {
  std::string out;
  for (size_t i = 0; i < role.size(); ++i) {
    if (role.compare(i, 2, "AX") == 0) ++i;
    else out += role[i];
  }
  return out;
}

// The integer part of a coordinate, or "?" when it is not finite or does not fit 64 bits.
std::string coordinate(double v) {
  v = std::trunc(v);
  if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return "?";
  return std::to_string(static_cast<int64_t>(v));
}

}  // namespace

Collection collect(const platform::AXUIElement& root) {
  Walk walk;
  walk.visit(root, 0);
  ax::failUnlessAnswering(root);
  return std::move(walk.result);
}

std::vector<std::string> describe(const std::vector<Element>& elements, platform::Point origin) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < elements.size(); ++i) {
    const Element& e = elements[i];
    // Appended piece by piece: chains of string operator+ trip a false -Wrestrict of GCC 12 at -O3.
    std::string line = "[";
    line.append(std::to_string(i)).append("] ").append(withoutAX(e.role));
    line.append(" \"").append(e.label).append("\"");
    if (e.value && !e.value->empty() && *e.value != e.label) line.append(" value=\"").append(*e.value).append("\"");
    line.append(" @").append(coordinate(e.frame.origin.x + e.frame.size.width / 2 - origin.x));
    line.append(",").append(coordinate(e.frame.origin.y + e.frame.size.height / 2 - origin.y));
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace dorv
