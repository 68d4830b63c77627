#include "accessibility/attributes.h"

#include "core/result.h"
#include "platform/platform.h"
#include "text/unicode.h"

namespace dorv::ax {
namespace {

using platform::AXErrorCode::success;
constexpr size_t labelLength = 80;

template <class T>
T partOf(const Value& value) {
  const T* part = value.get<T>();
  return part ? *part : T{};
}

}  // namespace

std::optional<Value> attr(const AXUIElement& element, const std::string& attribute) {
  Value value;
  if (platform::accessibility().copyAttributeValue(element, attribute, &value) != success) return std::nullopt;
  return value;
}

AXUIElement element(const std::optional<Value>& value) {
  const AXUIElement* e = value ? value->get<AXUIElement>() : nullptr;
  return e ? *e : AXUIElement();
}

std::optional<std::string> text(const AXUIElement& element, const std::string& attribute) {
  auto value = attr(element, attribute);
  const std::string* s = value ? value->get<std::string>() : nullptr;
  if (!s || s->empty()) return std::nullopt;
  return *s;
}

std::string label(const AXUIElement& element) {
  for (const char* attribute :
       {"AXTitle", "AXDescription", "AXPlaceholderValue", "AXHelp", "AXIdentifier", "AXValue"}) {
    if (auto s = text(element, attribute)) return dorv::text::prefix(*s, labelLength);
  }
  return "";
}

std::vector<std::string> actions(const AXUIElement& element) {
  Value names;
  platform::accessibility().copyActionNames(element, &names);
  std::vector<std::string> result;
  const platform::Array* array = names.get<platform::Array>();
  if (!array) return result;
  for (const Value& name : *array) {
    const std::string* s = name.get<std::string>();
    if (!s) return {};
    result.push_back(*s);
  }
  return result;
}

bool settable(const AXUIElement& element, const std::string& attribute) {
  bool flag = false;
  return platform::accessibility().isAttributeSettable(element, attribute, &flag) == success && flag;
}

std::optional<uint32_t> windowServerId(const AXUIElement& element) {
  uint32_t id = 0;
  if (platform::accessibility().getWindow(element, &id) != success) return std::nullopt;
  return id;
}

std::vector<AXUIElement> elements(const std::optional<Value>& value) {
  std::vector<AXUIElement> result;
  const platform::Array* array = value ? value->get<platform::Array>() : nullptr;
  if (!array) return result;
  for (const Value& child : *array) {
    const AXUIElement* e = child.get<AXUIElement>();
    if (!e || !*e) return {};
    result.push_back(*e);
  }
  return result;
}

std::vector<AXUIElement> children(const AXUIElement& element) { return elements(attr(element, "AXChildren")); }

std::optional<Rect> frame(const AXUIElement& element) {
  auto position = attr(element, "AXPosition");
  if (!position || position->isNone()) return std::nullopt;
  auto size = attr(element, "AXSize");
  if (!size || size->isNone()) return std::nullopt;
  return Rect{partOf<platform::Point>(*position), partOf<platform::Size>(*size)};
}

AXUIElement inWindow(const AXUIElement& element, uint32_t windowId) {
  auto w = windowServerId(element);
  if (!w) {
    AXUIElement window = ax::element(attr(element, "AXWindow"));
    if (!window) return {};
    w = windowServerId(window);
    if (!w) return {};
  }
  return *w == windowId ? element : AXUIElement();
}

std::optional<std::string> stringValue(const AXUIElement& element) {
  auto value = attr(element, "AXValue");
  const std::string* s = value ? value->get<std::string>() : nullptr;
  if (!s) return std::nullopt;
  return *s;
}

void failUnlessAnswering(const AXUIElement& element) {
  if (!platform::accessibility().applicationAnswers(element))
    fail("The app is too slow to answer accessibility requests (it is busy, or its window holds very many "
         "objects), so its window can't be read now. Try again in a moment.");
}

}  // namespace dorv::ax
