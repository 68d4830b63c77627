#include "platform/scripted/accessibility.h"

#include <algorithm>
#include <cstdio>

namespace platform::scripted {
namespace {

// The handle's object: which node it stands for.
struct NodeHandle : ElementObject {
  explicit NodeHandle(ScriptedNode* n) : node(n) {}
  ScriptedNode* node;
};

std::string number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

template <class T>
T member(const ScriptedNode& n, const std::string& attribute) {
  auto it = n.attributes.find(attribute);
  const T* v = it == n.attributes.end() ? nullptr : it->second.get<T>();
  return v ? *v : T{};
}

}  // namespace

AXUIElement ScriptedAccessibility::make(std::string name, std::map<std::string, Value> attributes) {
  nodes_.push_back(std::make_unique<ScriptedNode>());
  ScriptedNode& n = *nodes_.back();
  owned_.insert(&n);
  n.name = std::move(name);
  n.attributes = std::move(attributes);
  return AXUIElement(std::make_shared<NodeHandle>(&n));
}

AXUIElement ScriptedAccessibility::make(std::string name, const std::string& role, Rect frame,
                                        std::vector<std::string> actionNames) {
  AXUIElement e = make(name, {{"AXRole", Value(role)},
                              {"AXTitle", Value(name)},
                              {"AXPosition", Value(frame.origin)},
                              {"AXSize", Value(frame.size)}});
  Array names;
  for (auto& a : actionNames) names.push_back(Value(std::move(a)));
  node(e).actions = Value(std::move(names));
  return e;
}

ScriptedNode* ScriptedAccessibility::find(const AXUIElement& element) {
  auto* handle = dynamic_cast<const NodeHandle*>(element.get());
  if (!handle) return nullptr;
  // Only nodes of this object: a handle from another desktop is no element here.
  return owned_.count(handle->node) ? handle->node : nullptr;
}

ScriptedNode& ScriptedAccessibility::node(const AXUIElement& element) { return *find(element); }

void ScriptedAccessibility::append(const AXUIElement& parent, const AXUIElement& child) {
  ScriptedNode& p = node(parent);
  Array kids = member<Array>(p, "AXChildren");
  kids.emplace_back(child);
  p.attributes["AXChildren"] = Value(std::move(kids));
  node(child).attributes["AXParent"] = Value(parent);
}

AXUIElement ScriptedAccessibility::application(int32_t pid) {
  auto it = applications_.find(pid);
  if (it != applications_.end()) return it->second;
  AXUIElement app = make("app" + std::to_string(pid), {{"AXRole", Value("AXApplication")}});
  applications_[pid] = app;
  return app;
}

AXUIElement ScriptedAccessibility::createApplication(int32_t pid) {
  log_.add("createApplication " + std::to_string(pid));
  auto it = applications_.find(pid);
  if (it != applications_.end()) return it->second;
  AXUIElement missing = make("no-app" + std::to_string(pid));
  node(missing).gone = AXErrorCode::invalidElement;
  return missing;
}

ScriptedNode* ScriptedAccessibility::enter(const std::string& call, const AXUIElement& element,
                                           const std::string& argument, AXError* error) {
  ScriptedNode* n = find(element);
  log_.add(call + " " + (n ? n->name : "?") + (argument.empty() ? "" : " " + argument));
  if (!n) *error = AXErrorCode::illegalArgument;
  else if (n->gone) *error = *n->gone;
  else return n;
  return nullptr;
}

AXError ScriptedAccessibility::copyAttributeValue(const AXUIElement& element, const std::string& attribute,
                                                  Value* value) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("get", element, attribute, &error);
  if (!n) return error;
  if (auto e = n->readErrors.find(attribute); e != n->readErrors.end()) return e->second;
  auto it = n->attributes.find(attribute);
  if (it == n->attributes.end()) return AXErrorCode::attributeUnsupported;
  *value = it->second;
  return AXErrorCode::success;
}

AXError ScriptedAccessibility::setAttributeValue(const AXUIElement& element, const std::string& attribute,
                                                 const Value& value) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("set", element, attribute, &error);
  if (!n) return error;
  auto it = n->setResults.find(attribute);
  AXError result = it != n->setResults.end()     ? it->second
                   : n->settable.count(attribute) ? AXErrorCode::success
                                                  : AXErrorCode::attributeUnsupported;
  if (result == AXErrorCode::success) n->attributes[attribute] = value;
  return result;
}

AXError ScriptedAccessibility::isAttributeSettable(const AXUIElement& element, const std::string& attribute,
                                                   bool* settable) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("settable", element, attribute, &error);
  if (!n) return error;
  *settable = n->settable.count(attribute) > 0;
  return AXErrorCode::success;
}

AXError ScriptedAccessibility::copyActionNames(const AXUIElement& element, Value* names) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("actions", element, "", &error);
  if (!n) return error;
  *names = n->actions;
  return n->actionsError;
}

AXError ScriptedAccessibility::performAction(const AXUIElement& element, const std::string& action) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("perform", element, action, &error);
  if (!n) return error;
  if (auto it = n->actionResults.find(action); it != n->actionResults.end()) return it->second;
  const Array* names = n->actions.get<Array>();
  bool listed = names && std::any_of(names->begin(), names->end(), [&](const Value& v) {
                  return v.get<std::string>() && *v.get<std::string>() == action;
                });
  return listed ? AXErrorCode::success : AXErrorCode::actionUnsupported;
}

AXUIElement ScriptedAccessibility::hit(const AXUIElement& element, Point p) {
  ScriptedNode& n = node(element);
  for (const Value& child : member<Array>(n, "AXChildren")) {
    const AXUIElement* c = child.get<AXUIElement>();
    ScriptedNode* cn = c ? find(*c) : nullptr;
    if (!cn) continue;
    Point o = member<Point>(*cn, "AXPosition");
    Size s = member<Size>(*cn, "AXSize");
    if (p.x >= o.x && p.x < o.x + s.width && p.y >= o.y && p.y < o.y + s.height) return hit(*c, p);
  }
  return element;
}

AXError ScriptedAccessibility::copyElementAtPosition(const AXUIElement& application, float x, float y,
                                                     AXUIElement* element) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("hit", application, number(x) + "," + number(y), &error);
  if (!n) return error;
  AXUIElement found = hit(application, Point{x, y});
  if (found == application) return AXErrorCode::noValue;
  *element = found;
  return AXErrorCode::success;
}

AXError ScriptedAccessibility::getWindow(const AXUIElement& element, uint32_t* windowId) {
  AXError error = AXErrorCode::success;
  ScriptedNode* n = enter("window", element, "", &error);
  if (!n) return error;
  if (!n->windowNumber) return AXErrorCode::failure;
  *windowId = *n->windowNumber;
  return AXErrorCode::success;
}

}  // namespace platform::scripted
