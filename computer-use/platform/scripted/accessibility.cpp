#include "platform/scripted/accessibility.h"

namespace platform::scripted {

AXUIElement ScriptedAccessibility::createApplication(int32_t) { return {}; }

AXError ScriptedAccessibility::copyAttributeValue(const AXUIElement&, const std::string&, Value*) {
  return AXErrorCode::cannotComplete;
}

AXError ScriptedAccessibility::setAttributeValue(const AXUIElement&, const std::string& attribute,
                                                 const Value&) {
  log_.add("set " + attribute);
  return AXErrorCode::cannotComplete;
}

AXError ScriptedAccessibility::isAttributeSettable(const AXUIElement&, const std::string&, bool*) {
  return AXErrorCode::cannotComplete;
}

AXError ScriptedAccessibility::copyActionNames(const AXUIElement&, Value*) {
  return AXErrorCode::cannotComplete;
}

AXError ScriptedAccessibility::performAction(const AXUIElement&, const std::string& action) {
  log_.add("perform " + action);
  return AXErrorCode::cannotComplete;
}

AXError ScriptedAccessibility::copyElementAtPosition(const AXUIElement&, float, float, AXUIElement*) {
  return AXErrorCode::cannotComplete;
}

AXError ScriptedAccessibility::getWindow(const AXUIElement&, uint32_t*) {
  return AXErrorCode::cannotComplete;
}

}  // namespace platform::scripted
