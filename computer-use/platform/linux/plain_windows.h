#pragma once
// Client windows whose application has no accessible counterpart (xterm, Tk, SDL, Java, a Qt
// program started without accessibility), presented as window elements: the role "AXWindow",
// the window manager's title and frame, no children. Screenshots then still give the image and
// pointer and key events still find their window.

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

#include "platform/accessibility.h"
#include "platform/value.h"

namespace platform::linux_desktop {

class PlainWindow : public ElementObject {
 public:
  PlainWindow(Window id, int32_t pid) : id_(id), pid_(pid) {}
  Window id() const { return id_; }
  int32_t pid() const { return pid_; }

 private:
  Window id_;
  int32_t pid_;
};

// The backend's plain window behind a handle; null for any other handle.
const PlainWindow* plainWindow(const AXUIElement& element);

// The handle of a client window; the same window gives the same handle while one is alive.
AXUIElement plainWindowHandle(Window id, int32_t pid);

// Attributes: AXRole "AXWindow", AXSubrole "AXStandardWindow", AXTitle (the window manager's
// title), AXDescription "", AXChildren (none), AXPosition, AXSize, AXFrame (the frame with the
// window manager's decorations), AXFocused and AXMain (whether it is the active window),
// AXMinimized (not viewable). Setting AXMain true activates it. Action: AXRaise.
AXError copyPlainAttribute(const PlainWindow& window, const std::string& attribute, Value* out);
AXError setPlainAttribute(const PlainWindow& window, const std::string& attribute, const Value& value);
bool plainAttributeSettable(const std::string& attribute);
AXError performPlainAction(const PlainWindow& window, const std::string& action);

}  // namespace platform::linux_desktop
