#pragma once
// Accessibility trees as a test builds them.

#include "platform/accessibility.h"
#include "platform/scripted/call_log.h"

namespace platform::scripted {

class ScriptedAccessibility : public Accessibility {
 public:
  explicit ScriptedAccessibility(CallLog& log) : log_(log) {}

  bool trusted = true;

  bool isProcessTrusted() override { return trusted; }
  AXUIElement createApplication(int32_t pid) override;
  AXError copyAttributeValue(const AXUIElement& element, const std::string& attribute,
                             Value* value) override;
  AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                            const Value& value) override;
  AXError isAttributeSettable(const AXUIElement& element, const std::string& attribute,
                              bool* settable) override;
  AXError copyActionNames(const AXUIElement& element, Value* names) override;
  AXError performAction(const AXUIElement& element, const std::string& action) override;
  AXError copyElementAtPosition(const AXUIElement& application, float x, float y,
                                AXUIElement* element) override;
  AXError getWindow(const AXUIElement& element, uint32_t* windowId) override;

 private:
  CallLog& log_;
};

}  // namespace platform::scripted
