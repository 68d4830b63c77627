#pragma once
// Reading other applications' user interfaces. Every read that fails, for whatever reason
// (no such attribute, the application does not answer or has quit, a value of another type),
// gives "no value"; none of these reports an error, retries or waits.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/value.h"

// Kept apart from dorv::text, the Unicode helpers, whose name the attribute reader shares.
namespace dorv::ax {

using platform::AXUIElement;
using platform::Rect;
using platform::Value;

// The attribute's value when the copy succeeds; that value may itself be none.
std::optional<Value> attr(const AXUIElement& element, const std::string& attribute);

// The value when it is an element; an empty handle otherwise.
AXUIElement element(const std::optional<Value>& value);

// A string attribute of at least one character, unchanged.
std::optional<std::string> text(const AXUIElement& element, const std::string& attribute);

// The first of the title, description, placeholder, help, identifier and value that is a
// non-empty string, cut to 80 user-perceived characters; "" when there is none.
std::string label(const AXUIElement& element);

// The action names in the application's order; empty unless they read as strings.
std::vector<std::string> actions(const AXUIElement& element);

bool settable(const AXUIElement& element, const std::string& attribute);

// The window-server number of the window the element stands for.
std::optional<uint32_t> windowServerId(const AXUIElement& element);

// The value as a list of elements; empty unless it is an array of elements only.
std::vector<AXUIElement> elements(const std::optional<Value>& value);

// "AXChildren" as a list of elements, in the application's order.
std::vector<AXUIElement> children(const AXUIElement& element);

// Position and size in global screen points; a part of another type counts as zero.
std::optional<Rect> frame(const AXUIElement& element);

// The element when it, or else its "AXWindow", has that window number; an empty handle otherwise.
AXUIElement inWindow(const AXUIElement& element, uint32_t windowId);

// "AXValue" as a string; an empty string stays "".
std::optional<std::string> stringValue(const AXUIElement& element);

// Ends the run when the element's application stopped answering in time during the run: what
// was read of it may be a part only, and an empty or cut list must not pass for its window.
void failUnlessAnswering(const AXUIElement& element);

}  // namespace dorv::ax
