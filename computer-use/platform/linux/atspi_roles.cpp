#include "platform/linux/atspi_roles.h"

#include <cctype>
#include <map>

namespace platform::linux_desktop {
namespace {

const std::map<AtspiRole, std::string>& fixedRoles() {
  static const std::map<AtspiRole, std::string> roles = {
      {ATSPI_ROLE_APPLICATION, "AXApplication"},
      {ATSPI_ROLE_PUSH_BUTTON, "AXButton"},
      {ATSPI_ROLE_PUSH_BUTTON_MENU, "AXMenuButton"},
      {ATSPI_ROLE_TOGGLE_BUTTON, "AXCheckBox"},
      {ATSPI_ROLE_CHECK_BOX, "AXCheckBox"},
      {ATSPI_ROLE_RADIO_BUTTON, "AXRadioButton"},
      {ATSPI_ROLE_ENTRY, "AXTextField"},
      {ATSPI_ROLE_PASSWORD_TEXT, "AXTextField"},
      {ATSPI_ROLE_MENU_ITEM, "AXMenuItem"},
      {ATSPI_ROLE_CHECK_MENU_ITEM, "AXMenuItem"},
      {ATSPI_ROLE_RADIO_MENU_ITEM, "AXMenuItem"},
      {ATSPI_ROLE_TEAROFF_MENU_ITEM, "AXMenuItem"},
      {ATSPI_ROLE_MENU, "AXMenu"},
      {ATSPI_ROLE_MENU_BAR, "AXMenuBar"},
      {ATSPI_ROLE_LINK, "AXLink"},
      {ATSPI_ROLE_SLIDER, "AXSlider"},
      {ATSPI_ROLE_SPIN_BUTTON, "AXIncrementor"},
      {ATSPI_ROLE_PAGE_TAB, "AXTab"},
      {ATSPI_ROLE_PAGE_TAB_LIST, "AXTabGroup"},
      {ATSPI_ROLE_TABLE_CELL, "AXCell"},
      {ATSPI_ROLE_TABLE_ROW, "AXRow"},
      {ATSPI_ROLE_LIST_ITEM, "AXRow"},
      {ATSPI_ROLE_FRAME, "AXWindow"},
      {ATSPI_ROLE_WINDOW, "AXWindow"},
      {ATSPI_ROLE_DIALOG, "AXWindow"},
      {ATSPI_ROLE_ALERT, "AXWindow"},
      {ATSPI_ROLE_DOCUMENT_WEB, "AXWebArea"},
      {ATSPI_ROLE_PANEL, "AXGroup"},
      {ATSPI_ROLE_FILLER, "AXGroup"},
      {ATSPI_ROLE_IMAGE, "AXImage"},
      {ATSPI_ROLE_ICON, "AXImage"},
  };
  return roles;
}

// "scroll bar" → "AXScrollBar".
std::string upperCamel(const std::string& name) {
  std::string out = "AX";
  bool startOfWord = true;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      startOfWord = true;
      continue;
    }
    out += startOfWord ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    startOfWord = false;
  }
  return out;
}

}  // namespace

std::string axRole(AtspiRole role, const RoleDetails& details) {
  if (role == ATSPI_ROLE_TEXT) return details.multiLine ? "AXTextArea" : "AXTextField";
  if (role == ATSPI_ROLE_COMBO_BOX) return details.holdsEntry ? "AXComboBox" : "AXPopUpButton";
  if (isTextRunRole(role)) return details.holdsText ? "AXGroup" : "AXStaticText";
  auto it = fixedRoles().find(role);
  if (it != fixedRoles().end()) return it->second;
  gchar* name = atspi_role_get_name(role);
  std::string result = upperCamel(name != nullptr ? name : "");
  g_free(name);
  return result;
}

std::optional<std::string> axSubrole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_FRAME: return "AXStandardWindow";
    case ATSPI_ROLE_WINDOW: return "AXFloatingWindow";
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT: return "AXDialog";
    case ATSPI_ROLE_PASSWORD_TEXT: return "AXSecureTextField";
    case ATSPI_ROLE_TOGGLE_BUTTON: return "AXToggle";
    default: return std::nullopt;
  }
}

bool roleNeedsStates(AtspiRole role) { return role == ATSPI_ROLE_TEXT; }
bool roleNeedsChildren(AtspiRole role) { return role == ATSPI_ROLE_COMBO_BOX || isTextRunRole(role); }

bool isTextRunRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_LABEL: case ATSPI_ROLE_STATIC: case ATSPI_ROLE_PARAGRAPH: case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_SECTION: case ATSPI_ROLE_BLOCK_QUOTE: case ATSPI_ROLE_CAPTION: return true;
    default: return false;
  }
}

bool isWindowRole(AtspiRole role) {
  return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG ||
         role == ATSPI_ROLE_ALERT;
}

std::string axAction(const std::string& atspiName, bool textRole) {
  std::string name = atspiName;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::map<std::string, std::string> named = {
      {"click", pressAction},     {"press", pressAction},       {"toggle", pressAction},
      {"jump", pressAction},      {"check", pressAction},       {"uncheck", pressAction},
      {"switch", pressAction},    {"showmenu", "AXShowMenu"},   {"show menu", "AXShowMenu"},
      {"increase", "AXIncrement"}, {"decrease", "AXDecrement"},
  };
  if (auto it = named.find(name); it != named.end()) return it->second;
  if (name == "activate" && !textRole) return pressAction;
  return atspiName;
}

}  // namespace platform::linux_desktop
