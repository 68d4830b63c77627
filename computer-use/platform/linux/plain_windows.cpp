#include "platform/linux/plain_windows.h"

#include <map>
#include <memory>

#include "platform/linux/atspi_roles.h"
#include "platform/linux/x_events_windows.h"
#include "platform/window_server.h"

namespace platform::linux_desktop {

const PlainWindow* plainWindow(const AXUIElement& element) {
  return dynamic_cast<const PlainWindow*>(element.get());
}

AXUIElement plainWindowHandle(Window id, int32_t pid) {
  static std::map<Window, std::weak_ptr<const PlainWindow>> handles;
  if (auto existing = handles[id].lock(); existing && existing->pid() == pid) return AXUIElement(existing);
  auto window = std::make_shared<const PlainWindow>(id, pid);
  handles[id] = window;
  return AXUIElement(window);
}

AXError copyPlainAttribute(const PlainWindow& window, const std::string& attribute, Value* out) {
  if (attribute == "AXRole") {
    *out = std::string("AXWindow");
    return AXErrorCode::success;
  }
  if (attribute == "AXSubrole") {
    *out = std::string("AXStandardWindow");
    return AXErrorCode::success;
  }
  if (attribute == "AXChildren") {
    *out = Array{};
    return AXErrorCode::success;
  }
  if (attribute == "AXFocused" || attribute == "AXMain") {
    *out = activeWindow() == window.id();
    return AXErrorCode::success;
  }
  const bool framed = attribute == "AXPosition" || attribute == "AXSize" || attribute == "AXFrame";
  if (!framed && attribute != "AXTitle" && attribute != "AXDescription" && attribute != "AXMinimized")
    return AXErrorCode::attributeUnsupported;
  auto client = clientWindow(window.id());
  if (!client) return AXErrorCode::invalidElement;
  const Rect& f = client->frame;
  if (attribute == "AXTitle") *out = client->title;
  else if (attribute == "AXDescription") *out = std::string();
  else if (attribute == "AXMinimized") *out = !client->viewable;
  else if (attribute == "AXPosition") *out = f.origin;
  else if (attribute == "AXSize") *out = f.size;
  else
    *out = Dictionary{{BoundsKey::x, f.origin.x}, {BoundsKey::y, f.origin.y}, {BoundsKey::width, f.size.width},
                      {BoundsKey::height, f.size.height}};
  return AXErrorCode::success;
}

bool plainAttributeSettable(const std::string& attribute) { return attribute == "AXMain"; }

AXError setPlainAttribute(const PlainWindow& window, const std::string& attribute, const Value& value) {
  const bool* flag = value.get<bool>();
  if (!plainAttributeSettable(attribute)) return AXErrorCode::attributeUnsupported;
  if (flag == nullptr) return AXErrorCode::illegalArgument;
  if (!*flag) return AXErrorCode::cannotComplete;
  return activateWindow(window.id()) ? AXErrorCode::success : AXErrorCode::cannotComplete;
}

AXError performPlainAction(const PlainWindow& window, const std::string& action) {
  if (action != raiseAction) return AXErrorCode::actionUnsupported;
  return raiseWindow(window.id()) ? AXErrorCode::success : AXErrorCode::cannotComplete;
}

}  // namespace platform::linux_desktop
