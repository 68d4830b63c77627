#pragma once
// The accessibility interface of other applications: element handles, attributes, actions.
// Contract shared by every method: nothing throws and nothing waits without a time limit;
// an application that has quit or does not answer gives an error code.

#include <cstdint>
#include <string>

#include "platform/value.h"

namespace platform {

using AXError = int32_t;

namespace AXErrorCode {
inline constexpr AXError success = 0;
inline constexpr AXError failure = -25200;
inline constexpr AXError illegalArgument = -25201;
inline constexpr AXError invalidElement = -25202;
inline constexpr AXError cannotComplete = -25204;
inline constexpr AXError attributeUnsupported = -25205;
inline constexpr AXError actionUnsupported = -25206;
inline constexpr AXError noValue = -25212;
}  // namespace AXErrorCode

class Accessibility {
 public:
  virtual ~Accessibility() = default;

  // Whether this process may use the accessibility interface; never prompts the user.
  virtual bool isProcessTrusted() = 0;
  // Whether the accessibility service answered within its time limit; when it did not, nothing
  // of it is asked again in this run.
  virtual bool serviceAnswers() = 0;
  // Whether the element's application has answered every call of this run in time; false once
  // one ran out of its time limit (what it answered before may then be incomplete). True for an
  // element of no application.
  virtual bool applicationAnswers(const AXUIElement& element) = 0;

  // The root element of the application with that process id (also for a pid that does
  // not exist: its reads then fail).
  virtual AXUIElement createApplication(int32_t pid) = 0;

  // Copies an attribute. On success returns 0 and stores the value, which may be none.
  virtual AXError copyAttributeValue(const AXUIElement& element, const std::string& attribute,
                                     Value* value) = 0;

  virtual AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                                    const Value& value) = 0;

  virtual AXError isAttributeSettable(const AXUIElement& element, const std::string& attribute,
                                      bool* settable) = 0;

  // The action names as an array of strings (any other value when the call fails).
  virtual AXError copyActionNames(const AXUIElement& element, Value* names) = 0;

  virtual AXError performAction(const AXUIElement& element, const std::string& action) = 0;

  // The deepest element of the application under a point in global screen coordinates.
  virtual AXError copyElementAtPosition(const AXUIElement& application, float x, float y,
                                        AXUIElement* element) = 0;

  // The window-server number of the window the element stands for.
  virtual AXError getWindow(const AXUIElement& element, uint32_t* windowId) = 0;
};

}  // namespace platform
