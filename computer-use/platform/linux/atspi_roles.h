#pragma once
// AT-SPI roles and action names in the accessibility vocabulary the core speaks.
//
// Roles (AT-SPI → "AXRole"; "AXSubrole" where one applies):
//   application → AXApplication
//   push button → AXButton; push button menu → AXMenuButton
//   toggle button, check box → AXCheckBox (toggle button: subrole AXToggle)
//   radio button → AXRadioButton
//   entry, single-line text → AXTextField; password text → AXTextField (AXSecureTextField);
//   multi-line text → AXTextArea
//   combo box → AXComboBox when it holds a text entry, else AXPopUpButton
//   menu item, check menu item, radio menu item, tear-off menu item → AXMenuItem
//   menu → AXMenu; menu bar → AXMenuBar; link → AXLink; slider → AXSlider
//   spin button → AXIncrementor; page tab → AXTab; page tab list → AXTabGroup
//   table cell → AXCell; table row, list item → AXRow
//   label, static, paragraph, heading, section, block quote, caption → AXStaticText: the text a
//   person reads is their own (Gecko folds a page's text runs into them); AXGroup when they
//   hold a text leaf (label or static: Chromium gives each run an object of its own), so that
//   each text is read once
//   frame → AXWindow (AXStandardWindow); window → AXWindow (AXFloatingWindow);
//   dialog, alert → AXWindow (AXDialog)
//   document web → AXWebArea; panel, filler → AXGroup; image, icon → AXImage
//   anything else → "AX" + the AT-SPI role name in upper camel case ("scroll bar" →
//   AXScrollBar), so that nothing is lost.
//
// Actions, whatever their letter case (GTK: click, press, toggle, activate, expand or contract;
// Qt: Press, Toggle, SetFocus, ShowMenu, Increase, Decrease; browsers: jump, click, press,
// check, uncheck, switch, click ancestor, doDefault):
//   click, press, toggle, jump, check, uncheck, switch (a browser's tab) → AXPress (the first
//   of them an element has)
//   activate → AXPress (GTK's expanders, entry icons, icon-view items offer only this),
//              except on text roles (entry, text...), where it is Enter and keeps its name
//   showmenu → AXShowMenu; increase → AXIncrement; decrease → AXDecrement
//   every other action keeps its AT-SPI name (SetFocus, expand or contract, click ancestor,
//   doDefault: Chromium offers it on every object, so it says nothing of what can be operated).

#include <atspi/atspi.h>

#include <optional>
#include <string>

namespace platform::linux_desktop {

// What an element's role needs besides the role itself to be named.
struct RoleDetails {
  bool multiLine = false;      // text: the multi-line state
  bool holdsEntry = false;     // combo box: a text child
  bool holdsText = false;      // text run roles (isTextRunRole): a text leaf child
};

std::string axRole(AtspiRole role, const RoleDetails& details);
std::optional<std::string> axSubrole(AtspiRole role);

// Whether naming the role needs the details above (a state read or a look at the children).
bool roleNeedsStates(AtspiRole role);
bool roleNeedsChildren(AtspiRole role);
// Roles whose text is their own unless they hold text leaves (label, static, paragraph...).
bool isTextRunRole(AtspiRole role);

// Top-level windows of an application: what "AXWindows" lists and "AXRaise" applies to.
bool isWindowRole(AtspiRole role);

// The AX action an AT-SPI action name stands for; textRole: the element is a text role.
std::string axAction(const std::string& atspiName, bool textRole);

inline const std::string pressAction = "AXPress";
inline const std::string raiseAction = "AXRaise";

}  // namespace platform::linux_desktop
