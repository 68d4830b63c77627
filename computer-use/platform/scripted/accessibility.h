#pragma once
// Accessibility trees as a test builds them. Every call is recorded in the call log as
// "<call> <node name> <argument>", reads included.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/accessibility.h"
#include "platform/scripted/call_log.h"

namespace platform::scripted {

// One element of the scripted desktop and everything its calls answer.
struct ScriptedNode {
  std::string name;  // names the node in the call log
  // Attribute -> value; an attribute not here is unsupported. A value may be none.
  std::map<std::string, Value> attributes;
  // Attribute -> error code of its copy, before anything else.
  std::map<std::string, AXError> readErrors;
  // What copyActionNames answers: these names (any value) with this code.
  Value actions = Value(Array{});
  AXError actionsError = AXErrorCode::success;
  std::set<std::string> settable;
  // Attribute -> result of a set; without one, a set succeeds when the attribute is settable.
  // A successful set stores the value.
  std::map<std::string, AXError> setResults;
  // Action -> result; without one, an action succeeds when it is among the names.
  std::map<std::string, AXError> actionResults;
  std::optional<uint32_t> windowNumber;
  // When set, every call on the node fails with it (the application has quit).
  std::optional<AXError> gone;
};

class ScriptedAccessibility : public Accessibility {
 public:
  explicit ScriptedAccessibility(CallLog& log) : log_(log) {}

  bool trusted = true;
  bool answers = true;  // the accessibility service answers in time
  bool applicationsAnswer = true;  // false: a call to an application ran out of time this run

  // A new node with some attributes; the handle stays valid for the life of this object.
  AXUIElement make(std::string name, std::map<std::string, Value> attributes = {});
  // A button-like node: role, title, frame and the given actions.
  AXUIElement make(std::string name, const std::string& role, Rect frame,
                   std::vector<std::string> actionNames = {});
  ScriptedNode& node(const AXUIElement& element);
  // Appends a child to "AXChildren" and sets the child's "AXParent".
  void append(const AXUIElement& parent, const AXUIElement& child);
  // The application element of a pid, made on first use; createApplication answers it.
  AXUIElement application(int32_t pid);

  bool isProcessTrusted() override { return trusted; }
  bool serviceAnswers() override { return answers; }
  bool applicationAnswers(const AXUIElement&) override { return applicationsAnswer; }
  // An application that was never made answers a node whose every call fails.
  AXUIElement createApplication(int32_t pid) override;
  AXError copyAttributeValue(const AXUIElement& element, const std::string& attribute,
                             Value* value) override;
  AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                            const Value& value) override;
  AXError isAttributeSettable(const AXUIElement& element, const std::string& attribute,
                              bool* settable) override;
  AXError copyActionNames(const AXUIElement& element, Value* names) override;
  AXError performAction(const AXUIElement& element, const std::string& action) override;
  // The deepest descendant whose frame holds the point, first child first.
  AXError copyElementAtPosition(const AXUIElement& application, float x, float y,
                                AXUIElement* element) override;
  AXError getWindow(const AXUIElement& element, uint32_t* windowId) override;

 private:
  // The node of a handle this object made; nullptr for any other handle.
  ScriptedNode* find(const AXUIElement& element);
  // The node, after logging the call; nullptr when the call fails with *error.
  ScriptedNode* enter(const std::string& call, const AXUIElement& element, const std::string& argument,
                      AXError* error);
  AXUIElement hit(const AXUIElement& element, Point point);

  CallLog& log_;
  std::vector<std::unique_ptr<ScriptedNode>> nodes_;
  std::set<const ScriptedNode*> owned_;
  std::map<int32_t, AXUIElement> applications_;
};

}  // namespace platform::scripted
