// Not built yet on Linux: every call fails, which the core reads as absence.

#include "platform/linux/backends.h"

namespace platform::linux_desktop {
namespace {

class NoAccessibility : public Accessibility {
 public:
  bool isProcessTrusted() override { return false; }
  AXUIElement createApplication(int32_t) override { return {}; }
  AXError copyAttributeValue(const AXUIElement&, const std::string&, Value*) override { return AXErrorCode::cannotComplete; }
  AXError setAttributeValue(const AXUIElement&, const std::string&, const Value&) override { return AXErrorCode::cannotComplete; }
  AXError isAttributeSettable(const AXUIElement&, const std::string&, bool*) override { return AXErrorCode::cannotComplete; }
  AXError copyActionNames(const AXUIElement&, Value*) override { return AXErrorCode::cannotComplete; }
  AXError performAction(const AXUIElement&, const std::string&) override { return AXErrorCode::cannotComplete; }
  AXError copyElementAtPosition(const AXUIElement&, float, float, AXUIElement*) override { return AXErrorCode::cannotComplete; }
  AXError getWindow(const AXUIElement&, uint32_t*) override { return AXErrorCode::cannotComplete; }
};

}  // namespace

std::unique_ptr<Accessibility> makeAccessibility() { return std::make_unique<NoAccessibility>(); }

}  // namespace platform::linux_desktop
