#include "platform/linux/atspi_roles.h"

#include "platform/linux/atspi_gtk4.h"

#include <gtest/gtest.h>

namespace platform::linux_desktop {
namespace {

TEST(AtspiRoles, RolesThatDependOnTheirDetails) {
  EXPECT_EQ(axRole(ATSPI_ROLE_TEXT, {}), "AXTextField");
  EXPECT_EQ(axRole(ATSPI_ROLE_TEXT, {.multiLine = true}), "AXTextArea");
  EXPECT_EQ(axRole(ATSPI_ROLE_COMBO_BOX, {}), "AXPopUpButton");
  EXPECT_EQ(axRole(ATSPI_ROLE_COMBO_BOX, {.holdsEntry = true}), "AXComboBox");
  EXPECT_EQ(axRole(ATSPI_ROLE_PASSWORD_TEXT, {}), "AXTextField");
  // A page's text is a paragraph's own in Gecko, its leaves' in Chromium: read once either way.
  EXPECT_EQ(axRole(ATSPI_ROLE_PARAGRAPH, {}), "AXStaticText");
  EXPECT_EQ(axRole(ATSPI_ROLE_PARAGRAPH, {.holdsText = true}), "AXGroup");
  EXPECT_EQ(axSubrole(ATSPI_ROLE_PASSWORD_TEXT), "AXSecureTextField");
}

TEST(AtspiRoles, UnlistedRolesKeepTheirNameInUpperCamelCase) {
  EXPECT_EQ(axRole(ATSPI_ROLE_SCROLL_BAR, {}), "AXScrollBar");
  EXPECT_EQ(axRole(ATSPI_ROLE_TABLE_COLUMN_HEADER, {}), "AXTableColumnHeader");
  EXPECT_EQ(axRole(ATSPI_ROLE_TREE_TABLE, {}), "AXTreeTable");
}

TEST(AtspiRoles, EveryToolkitsActionNamesMapWhateverTheirCase) {
  for (const char* name : {"click", "press", "toggle", "jump", "Press", "Toggle", "CLICK", "check", "uncheck"})
    EXPECT_EQ(axAction(name, false), "AXPress") << name;
  EXPECT_EQ(axAction("activate", false), "AXPress");  // GTK's expanders have only this
  EXPECT_EQ(axAction("activate", true), "activate");  // an entry's is Enter
  EXPECT_EQ(axAction("ShowMenu", false), "AXShowMenu");
  EXPECT_EQ(axAction("Increase", false), "AXIncrement");
  EXPECT_EQ(axAction("Decrease", false), "AXDecrement");
  EXPECT_EQ(axAction("SetFocus", false), "SetFocus");
  EXPECT_EQ(axAction("expand or contract", false), "expand or contract");
  EXPECT_EQ(axAction("doDefault", false), "doDefault");  // Chromium offers it on everything
}

TEST(AtspiRoles, Gtk4NamesLoseWhatNoPersonReadsAndKeepWhatTheyDo) {
  const std::vector<std::string> labels = {"7", "GitHub", "ha"};
  int asked = 0;
  auto name = [&](const std::string& n) {
    return gtk4Name(n, [&] {
      ++asked;
      return labels;
    });
  };
  EXPECT_EQ(name("7 7"), "7");
  EXPECT_EQ(name("GtkMenuButton"), "");
  EXPECT_EQ(name("HistoryView"), "");
  // A label that reads like a class, or twice over, is kept when no label says otherwise.
  EXPECT_EQ(name("GitHub"), "GitHub");
  EXPECT_EQ(name("Bora Bora"), "Bora Bora");
  EXPECT_EQ(asked, 5);
  // Only what may come from a label asks for them.
  for (const char* kept : {"Undo", "OK", "USB", "Mode selection", "mod", "", "7"}) EXPECT_EQ(name(kept), kept);
  EXPECT_EQ(asked, 5);
  // Within a GTK 4 button only what can be operated stays a child.
  EXPECT_FALSE(gtk4KeepsChild(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_LABEL));
  EXPECT_FALSE(gtk4KeepsChild(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL));
  EXPECT_TRUE(gtk4KeepsChild(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_TOGGLE_BUTTON));
  EXPECT_TRUE(gtk4KeepsChild(ATSPI_ROLE_PANEL, ATSPI_ROLE_LABEL));
}

}  // namespace
}  // namespace platform::linux_desktop
