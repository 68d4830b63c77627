#include "platform/linux/atspi_roles.h"

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

}  // namespace
}  // namespace platform::linux_desktop
