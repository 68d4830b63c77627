#pragma once
// What GTK 4 (4.8, Debian 12) says of its objects that a person does not read, and how it is
// told apart from what a person does (measured on gnome-calculator):
// - an object without a label is named by its widget's class ("GtkMenuButton", "AdwGizmo",
//   "HistoryView"): such a name is none;
// - a button labelled by its label child is named by both ("7 7"): the name is the child's;
// - a button's label, icon and the boxes holding them are objects of their own: a GTK 3
//   button has no children, and its label is its name;
// - a menu button is a button without actions around the button a person presses (which opens
//   the menu, also in the background), both named alike: the outer one is a group;
// - a label answers an end offset of -1 (the whole text) with nothing.

#include <atspi/atspi.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace platform::linux_desktop {

// The name a person reads; labelNames gives the names of the labels among the object's children
// and grandchildren, asked for only when the name may come from one of them.
std::string gtk4Name(const std::string& name, const std::function<std::vector<std::string>()>& labelNames);

// Whether a child of a GTK 4 object with the role parentRole stays one: within a button only
// what can itself be operated does (the toggle button of a menu button).
bool gtk4KeepsChild(AtspiRole parentRole, AtspiRole childRole);

// The roles of the button inside a menu button.
inline constexpr std::initializer_list<AtspiRole> gtk4InnerButtonRoles = {ATSPI_ROLE_PUSH_BUTTON,
                                                                        ATSPI_ROLE_TOGGLE_BUTTON};

// The end offset that asks the accessible for all its text: -1, except in GTK 4 (a number past
// the end, which GTK 4 cuts; GTK 3 does not).
int wholeTextEnd(AtspiAccessible* accessible);

}  // namespace platform::linux_desktop
