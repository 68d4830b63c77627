#pragma once
// The accessibility interface on AT-SPI (libatspi), in the attribute and action vocabulary of
// the core. Roles and action names: atspi_roles.h. Every D-Bus call is limited to
// atspiCallLimitMs; an application that runs into the limit once is treated as not answering
// for the rest of the run (reads then fail with cannotComplete).
//
// Attributes of every element (read; "set" where settable):
//   AXRole, AXSubrole         atspi_roles.h
//   AXRoleDescription         the localized role name
//   AXTitle                   the accessible name ("" when it has none)
//   AXDescription             the description
//   AXPlaceholderValue        the "placeholder-text" object attribute, where present
//   AXHelp                    the "tooltip" or "help-text" object attribute, where present
//   AXIdentifier              the accessible id, where not empty
//   AXValue                   toggles (check box, toggle/radio button, check/radio menu item):
//                             the checked state as a number 0 or 1; Value interface: the
//                             current value (number; set: a number); text roles (text, entry,
//                             password, label, static, paragraph, heading, caption, terminal,
//                             table cell): the text contents (string, possibly empty; set:
//                             replaces them through EditableText); combo box: its entry's text
//                             when it holds one, else its name; others: unsupported
//   AXChildren                the children, in the application's order
//   AXParent                  the parent (an application has none)
//   AXWindow, AXTopLevelUIElement  the nearest window-role ancestor
//   AXPosition, AXSize        screen extents (point, size); an element that is not laid out
//                             (closed menus report INT_MIN) has none
//   AXFrame                   the same as a dictionary with the keys X, Y, Width, Height
//   AXEnabled                 the enabled state
//   AXFocused                 the focused state; set true: grab the focus (this activates the
//                             window), settable when focusable
//   AXSelected                the selected state; set: select or deselect through the
//                             parent's Selection interface, settable when the parent has one
//                             and the element is selectable
//   AXSelectedText            the first selection's text ("" without one); set: replaces the
//                             selection, or inserts at the caret, through EditableText;
//                             settable on editable text
// Windows (frame, window, dialog, alert) also:
//   AXMain                    whether it is the application's main window; set true: raise
//                             and activate it
//   AXMinimized               the iconified state
// Applications also:
//   AXWindows                 the top-level windows, the main window first (minimised and
//                             other-desktop windows included)
//   AXMainWindow              the active window, else the one made key in this run, else the
//                             topmost viewable one
//   AXFocusedWindow           the active window, else the one made key in this run; none for
//                             an application in the background
//   AXFocusedUIElement        the focused descendant of its windows (collection match on the
//                             focused state), main window first
//   AXFrontmost               whether the active X window is one of its windows; set true:
//                             activate its main window through _NET_ACTIVE_WINDOW
//   AXManualAccessibility     only for an application that is not on the accessibility bus:
//                             the session's assistive-technology switch (org.a11y.Status
//                             IsEnabled); set true: turn it on and wait for the application
//                             to join the bus with its page built (Firefox does); fails when
//                             it does not join (toolkits that read the switch only at start)
//   AXEnhancedUserInterface   unsupported
//
// Actions: the element's AT-SPI actions under their AX names; windows add AXRaise (restack
// on top without activating). copyElementAtPosition: the deepest element under the point of
// the topmost client window there, when that window is one of the application's (AT-SPI alone
// ignores windows stacked on top). getWindow: for a window, the X client window matched to it
// (atspi_tree.h); none for other elements.
//
// isProcessTrusted: the accessibility bus of the session bus is reachable.
