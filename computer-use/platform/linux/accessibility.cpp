#include "platform/linux/accessibility.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <set>

#include "platform/linux/accessibility_switch.h"
#include "platform/linux/atspi_gtk4.h"
#include "platform/linux/atspi_roles.h"
#include "platform/linux/atspi_tree.h"
#include "platform/linux/atspi_tree_reading.h"
#include "platform/linux/backends.h"
#include "platform/linux/plain_windows.h"
#include "platform/window_server.h"

namespace platform::linux_desktop {
namespace {

using E = AtspiElement;

// An interface of the accessible (new reference), freed on scope exit.
template <class T>
struct Iface {
  T* p;
  explicit Iface(T* pointer) : p(pointer) {}
  ~Iface() {
    if (p) g_object_unref(p);
  }
  Iface(const Iface&) = delete;
  Iface& operator=(const Iface&) = delete;
  explicit operator bool() const { return p != nullptr; }
};

// The interface when the accessible offers it. A reading's list of interfaces answers without
// asking the application.
template <class T>
Iface<T> interfaceOf(const E& e, const char* name, GType type, T* (*get)(AtspiAccessible*)) {
  if (const ReadObject* read = readObject(e.accessible())) {
    if (!read->offers(name)) return Iface<T>(nullptr);
    return Iface<T>(G_TYPE_CHECK_INSTANCE_CAST(g_object_ref(e.accessible()), type, T));
  }
  return Iface<T>(get(e.accessible()));
}

Iface<AtspiText> textOf(const E& e) {
  return interfaceOf(e, ATSPI_DBUS_INTERFACE_TEXT, ATSPI_TYPE_TEXT, atspi_accessible_get_text_iface);
}

bool isToggleRole(AtspiRole r) {
  return r == ATSPI_ROLE_CHECK_BOX || r == ATSPI_ROLE_TOGGLE_BUTTON || r == ATSPI_ROLE_RADIO_BUTTON ||
         r == ATSPI_ROLE_CHECK_MENU_ITEM || r == ATSPI_ROLE_RADIO_MENU_ITEM;
}

bool isTextRole(AtspiRole r) {
  switch (r) {
    case ATSPI_ROLE_TEXT: case ATSPI_ROLE_ENTRY: case ATSPI_ROLE_PASSWORD_TEXT:
    case ATSPI_ROLE_TERMINAL: case ATSPI_ROLE_TABLE_CELL: return true;
    default: return isTextRunRole(r);
  }
}

AtspiRole roleOf(const E& e) { return e.role().value_or(ATSPI_ROLE_INVALID); }

AXError readString(const E& e, gchar* (*read)(AtspiAccessible*, GError**), Value* out) {
  gchar* text = nullptr;
  if (!ask(e.accessible(), [&](GError** err) { text = read(e.accessible(), err); }))
    return AXErrorCode::cannotComplete;
  *out = takeString(text).value_or("");
  return AXErrorCode::success;
}

AXError readName(const E& e, Value* out) {
  if (const ReadObject* read = readObject(e.accessible())) {
    *out = read->name;
    return AXErrorCode::success;
  }
  return readString(e, atspi_accessible_get_name, out);
}

// The names of the labels among the children and grandchildren.
std::vector<std::string> gtk4LabelNames(const E& e) {
  std::vector<std::string> names;
  auto add = [&](const E& c) {
    Value name;
    if (roleOf(c) == ATSPI_ROLE_LABEL && readName(c, &name) == AXErrorCode::success)
      names.push_back(*name.get<std::string>());
  };
  for (auto& child : children(e)) {
    add(*atspiElement(child));
    for (auto& grandchild : children(*atspiElement(child))) add(*atspiElement(grandchild));
  }
  return names;
}

// Without the object replacement characters that stand for embedded children (a page's links,
// fields): those are elements of their own.
std::optional<std::string> withoutEmbeddedObjects(std::optional<std::string> text) {
  static const std::string replacement = "\xEF\xBF\xBC";  // U+FFFC
  if (!text) return text;
  for (size_t at = text->find(replacement); at != std::string::npos; at = text->find(replacement, at))
    text->erase(at, replacement.size());
  return text;
}

std::optional<std::string> textContents(const E& e) {
  if (const ReadObject* read = readObject(e.accessible()); read && read->text) return withoutEmbeddedObjects(read->text);
  Iface<AtspiText> text = textOf(e);
  if (!text) return std::nullopt;
  gchar* contents = nullptr;
  const gint end = wholeTextEnd(e.accessible());
  ask(e.accessible(), [&](GError** err) { contents = atspi_text_get_text(text.p, 0, end, err); });
  return withoutEmbeddedObjects(takeString(contents));
}

bool holdsChildOf(const E& e, std::initializer_list<AtspiRole> roles) {
  for (auto& child : children(e))
    if (std::find(roles.begin(), roles.end(), roleOf(*atspiElement(child))) != roles.end()) return true;
  return false;
}

AXUIElement entryOf(const E& e) {
  for (auto& child : children(e)) {
    AtspiRole r = roleOf(*atspiElement(child));
    if (r == ATSPI_ROLE_TEXT || r == ATSPI_ROLE_ENTRY) return child;
  }
  return {};
}

std::string roleName(const E& e) {
  AtspiRole r = roleOf(e);
  if (r == ATSPI_ROLE_PUSH_BUTTON && drawnByGtk4(e.accessible()) && holdsChildOf(e, gtk4InnerButtonRoles))
    return "AXGroup";
  RoleDetails details;
  if (roleNeedsStates(r)) {
    auto bits = states(e);
    details.multiLine = bits && hasState(*bits, ATSPI_STATE_MULTI_LINE);
  }
  if (roleNeedsChildren(r)) {
    details.holdsEntry = holdsChildOf(e, {ATSPI_ROLE_TEXT, ATSPI_ROLE_ENTRY});
    details.holdsText = holdsChildOf(e, {ATSPI_ROLE_LABEL, ATSPI_ROLE_STATIC});
  }
  return axRole(r, details);
}

std::optional<Rect> frameOf(const E& e, bool reuseLast) {
  auto x = e.extents(reuseLast);
  if (!x || x->x == INT_MIN || x->y == INT_MIN) return std::nullopt;
  // What is not showing (a closed menu's items, a hidden page) is drawn nowhere, wherever the
  // toolkit places it.
  if (!reuseLast)
    if (auto bits = states(e); bits && !hasState(*bits, shownState(e.accessible()))) return std::nullopt;
  return Rect{{double(x->x), double(x->y)}, {double(x->width), double(x->height)}};
}

AXUIElement windowAncestor(const E& e) {
  AXUIElement current = parent(e);
  for (int depth = 0; current && depth < 256; ++depth) {
    const E& c = *atspiElement(current);
    AtspiRole r = roleOf(c);
    if (isWindowRole(r)) return current;
    if (r == ATSPI_ROLE_APPLICATION) return {};
    current = parent(c);
  }
  return {};
}

AXError stateValue(const E& e, AtspiStateType state, Value* out) {
  auto bits = states(e);
  if (!bits) return AXErrorCode::cannotComplete;
  *out = hasState(*bits, state);
  return AXErrorCode::success;
}

AXError elementValue(const AXUIElement& element, Value* out) {
  if (!element) return AXErrorCode::noValue;
  *out = element;
  return AXErrorCode::success;
}

AXUIElement focusedDescendant(const E& app) {
  AtspiStateSet* focused = atspi_state_set_new(nullptr);
  atspi_state_set_add(focused, ATSPI_STATE_FOCUSED);
  AtspiMatchRule* rule = atspi_match_rule_new(focused, ATSPI_Collection_MATCH_ALL, nullptr,
                                              ATSPI_Collection_MATCH_NONE, nullptr,
                                              ATSPI_Collection_MATCH_NONE, nullptr,
                                              ATSPI_Collection_MATCH_NONE, FALSE);
  g_object_unref(focused);
  std::vector<AXUIElement> windows;
  if (auto main = mainWindow(app)) windows.push_back(main);
  for (auto& w : matchedWindows(app)) windows.push_back(w.element);
  AXUIElement found;
  for (auto& window : windows) {
    if (!atspiElement(window)) continue;
    const E& w = *atspiElement(window);
    Iface<AtspiCollection> collection(atspi_accessible_get_collection_iface(w.accessible()));
    if (!collection) continue;
    GArray* matches = nullptr;
    ask(w.accessible(), [&](GError** err) {
      matches = atspi_collection_get_matches(collection.p, rule, ATSPI_Collection_SORT_ORDER_CANONICAL,
                                             1, TRUE, err);
    });
    if (matches != nullptr) {
      for (guint i = 0; i < matches->len; ++i) {
        AtspiAccessible* match = g_array_index(matches, AtspiAccessible*, i);
        if (!found) found = wrap(match, app.pid());
        else if (match != nullptr) g_object_unref(match);
      }
      g_array_free(matches, TRUE);
    }
    if (found) break;
  }
  g_object_unref(rule);
  return found;
}

std::optional<Window> xWindowOf(const E& window) {
  auto app = applicationOf(window);
  if (!app) return std::nullopt;
  for (auto& w : matchedWindows(*atspiElement(app)))
    if (atspiElement(w.element) == &window && w.client) return w.client->id;
  return std::nullopt;
}

std::optional<Rect> windowFrame(const E& window) {
  if (auto id = xWindowOf(window))
    if (auto client = clientWindow(*id)) return client->frame;
  return frameOf(window, false);
}

bool isMainWindow(const E& window) {
  auto app = applicationOf(window);
  return app && atspiElement(mainWindow(*atspiElement(app))) == &window;
}

AXError copyValue(const E& e, Value* out) {
  AtspiRole r = roleOf(e);
  if (isToggleRole(r)) {
    auto bits = states(e);
    if (!bits) return AXErrorCode::cannotComplete;
    *out = int64_t{hasState(*bits, ATSPI_STATE_CHECKED) || hasState(*bits, ATSPI_STATE_PRESSED)};
    return AXErrorCode::success;
  }
  if (auto value = interfaceOf(e, ATSPI_DBUS_INTERFACE_VALUE, ATSPI_TYPE_VALUE, atspi_accessible_get_value_iface);
      value) {
    if (const ReadObject* read = readObject(e.accessible()); read && read->currentValue) {
      *out = *read->currentValue;
      return AXErrorCode::success;
    }
    double current = 0;
    if (!ask(e.accessible(), [&](GError** err) { current = atspi_value_get_current_value(value.p, err); }))
      return AXErrorCode::cannotComplete;
    *out = current;
    return AXErrorCode::success;
  }
  if (r == ATSPI_ROLE_COMBO_BOX) {
    if (auto entry = entryOf(e)) return copyValue(*atspiElement(entry), out);
    return readString(e, atspi_accessible_get_name, out);
  }
  if (!isTextRole(r)) return AXErrorCode::attributeUnsupported;
  auto contents = textContents(e);
  if (!contents) return AXErrorCode::attributeUnsupported;
  *out = *contents;
  return AXErrorCode::success;
}

AXError copySelectedText(const E& e, Value* out) {
  Iface<AtspiText> text = textOf(e);
  if (!text) return AXErrorCode::attributeUnsupported;
  AtspiRange* range = nullptr;
  gint count = 0;
  if (!ask(e.accessible(), [&](GError** err) { count = atspi_text_get_n_selections(text.p, err); }))
    return AXErrorCode::cannotComplete;
  std::string selected;
  if (count > 0 && ask(e.accessible(), [&](GError** err) { range = atspi_text_get_selection(text.p, 0, err); }) && range) {
    gchar* part = nullptr;
    ask(e.accessible(), [&](GError** err) { part = atspi_text_get_text(text.p, range->start_offset, range->end_offset, err); });
    selected = takeString(part).value_or("");
  }
  g_free(range);
  *out = selected;
  return AXErrorCode::success;
}

std::optional<std::string> objectAttribute(const E& e, std::initializer_list<const char*> names) {
  const auto& attributes = e.objectAttributes();
  for (const char* n : names)
    if (auto it = attributes.find(n); it != attributes.end() && !it->second.empty()) return it->second;
  return std::nullopt;
}

AXError copy(const E& e, const std::string& attribute, Value* out) {
  AtspiRole r = roleOf(e);
  bool isApp = r == ATSPI_ROLE_APPLICATION;
  if (e.accessible() == nullptr) {
    // An application that is not on the accessibility bus: only its plain windows.
    static const std::set<std::string> served = {"AXRole", "AXWindows", "AXMainWindow", "AXFocusedWindow",
                                                 "AXFrontmost", "AXManualAccessibility"};
    if (!served.count(attribute)) return AXErrorCode::cannotComplete;
    if (attribute == "AXManualAccessibility") {
      // Browsers stay off the bus until the session's switch is on.
      auto on = accessibilitySwitchOn(e.pid());
      if (!on) return AXErrorCode::cannotComplete;
      *out = *on;
      return AXErrorCode::success;
    }
    if (attribute == "AXRole") {
      *out = std::string("AXApplication");
      return AXErrorCode::success;
    }
    isApp = true;
  }
  bool isWindow = isWindowRole(r);
  if (attribute == "AXRole") {
    *out = roleName(e);
    return AXErrorCode::success;
  }
  if (attribute == "AXSubrole") {
    auto sub = axSubrole(r);
    if (!sub) return AXErrorCode::noValue;
    *out = *sub;
    return AXErrorCode::success;
  }
  if (attribute == "AXRoleDescription") return readString(e, atspi_accessible_get_localized_role_name, out);
  if (attribute == "AXTitle") {
    Value name;
    if (auto error = readName(e, &name)) return error;
    if (drawnByGtk4(e.accessible()))
      name = gtk4Name(*name.get<std::string>(), [&] { return gtk4LabelNames(e); });
    *out = name;
    return AXErrorCode::success;
  }
  if (attribute == "AXDescription") {
    if (const ReadObject* read = readObject(e.accessible())) {
      *out = read->description;
      return AXErrorCode::success;
    }
    return readString(e, atspi_accessible_get_description, out);
  }
  if (attribute == "AXIdentifier") {
    Value id;
    if (const ReadObject* read = readObject(e.accessible()); read && read->accessibleId)
      id = *read->accessibleId;
    else if (auto error = readString(e, atspi_accessible_get_accessible_id, &id))
      return error;
    if (id.get<std::string>()->empty()) return AXErrorCode::noValue;
    *out = id;
    return AXErrorCode::success;
  }
  if (attribute == "AXPlaceholderValue" || attribute == "AXHelp") {
    auto found = attribute == "AXHelp" ? objectAttribute(e, {"tooltip", "help-text"})
                                       : objectAttribute(e, {"placeholder-text"});
    if (!found) return AXErrorCode::noValue;
    *out = *found;
    return AXErrorCode::success;
  }
  if (attribute == "AXValue") return copyValue(e, out);
  if (attribute == "AXChildren") {
    Array list;
    const bool gtk4 = drawnByGtk4(e.accessible());
    for (auto& child : children(e))
      if (!gtk4 || gtk4KeepsChild(r, roleOf(*atspiElement(child)))) list.emplace_back(child);
    *out = list;
    return AXErrorCode::success;
  }
  if (attribute == "AXParent") return elementValue(parent(e), out);
  if (attribute == "AXWindow" || attribute == "AXTopLevelUIElement") return elementValue(windowAncestor(e), out);
  if (attribute == "AXPosition" || attribute == "AXSize" || attribute == "AXFrame") {
    // A window is the frame its image is captured from, whatever part of it the toolkit reports.
    auto frame = isWindow ? windowFrame(e) : frameOf(e, attribute == "AXSize");
    if (!frame) return AXErrorCode::noValue;
    if (attribute == "AXPosition") *out = frame->origin;
    else if (attribute == "AXSize") *out = frame->size;
    else
      *out = Dictionary{{BoundsKey::x, frame->origin.x}, {BoundsKey::y, frame->origin.y},
                        {BoundsKey::width, frame->size.width}, {BoundsKey::height, frame->size.height}};
    return AXErrorCode::success;
  }
  if (attribute == "AXEnabled") return stateValue(e, ATSPI_STATE_ENABLED, out);
  if (attribute == "AXFocused") return stateValue(e, ATSPI_STATE_FOCUSED, out);
  if (attribute == "AXSelected") return stateValue(e, ATSPI_STATE_SELECTED, out);
  if (attribute == "AXSelectedText") return copySelectedText(e, out);
  if (isWindow && attribute == "AXMinimized") return stateValue(e, ATSPI_STATE_ICONIFIED, out);
  if (isWindow && attribute == "AXMain") {
    *out = isMainWindow(e);
    return AXErrorCode::success;
  }
  if (isApp) {
    if (attribute == "AXWindows") {
      Array list;
      AXUIElement main = mainWindow(e);
      if (main) list.emplace_back(main);
      for (auto& w : matchedWindows(e))
        if (!(w.element == main)) list.emplace_back(w.element);
      *out = list;
      return AXErrorCode::success;
    }
    if (attribute == "AXMainWindow") return elementValue(mainWindow(e), out);
    if (attribute == "AXFocusedWindow") return elementValue(focusedWindow(e), out);
    if (attribute == "AXFocusedUIElement") return elementValue(focusedDescendant(e), out);
    if (attribute == "AXFrontmost") {
      auto active = activeWindow();
      auto client = active ? clientWindow(*active) : std::nullopt;
      *out = client && client->pid == e.pid();
      return AXErrorCode::success;
    }
  }
  return AXErrorCode::attributeUnsupported;
}

bool settable(const E& e, const std::string& attribute) {
  AtspiRole r = roleOf(e);
  auto bits = [&] { return states(e).value_or(0); };
  if (attribute == "AXValue") {
    if (isToggleRole(r)) return false;
    if (Iface<AtspiValue> v(atspi_accessible_get_value_iface(e.accessible())); v) return true;
    Iface<AtspiEditableText> t(atspi_accessible_get_editable_text_iface(e.accessible()));
    return t && hasState(bits(), ATSPI_STATE_EDITABLE);
  }
  if (attribute == "AXSelectedText") {
    Iface<AtspiEditableText> t(atspi_accessible_get_editable_text_iface(e.accessible()));
    return t && hasState(bits(), ATSPI_STATE_EDITABLE);
  }
  if (attribute == "AXFocused") return hasState(bits(), ATSPI_STATE_FOCUSABLE);
  if (attribute == "AXSelected") {
    if (!hasState(bits(), ATSPI_STATE_SELECTABLE)) return false;
    auto p = parent(e);
    if (!p) return false;
    Iface<AtspiSelection> s(atspi_accessible_get_selection_iface(atspiElement(p)->accessible()));
    return bool(s);
  }
  if (attribute == "AXMain") return isWindowRole(r);
  if (attribute == "AXFrontmost") return r == ATSPI_ROLE_APPLICATION;
  return false;
}

AXError result(bool ok) { return ok ? AXErrorCode::success : AXErrorCode::cannotComplete; }

AXError insertText(const E& e, const std::string& text) {
  Iface<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(e.accessible()));
  Iface<AtspiText> plain(atspi_accessible_get_text_iface(e.accessible()));
  if (!editable || !plain) return AXErrorCode::attributeUnsupported;
  AtspiAccessible* a = e.accessible();
  gint selections = 0, position = -1;
  if (!ask(a, [&](GError** err) { selections = atspi_text_get_n_selections(plain.p, err); }))
    return AXErrorCode::cannotComplete;
  AtspiRange* range = nullptr;
  if (selections > 0) ask(a, [&](GError** err) { range = atspi_text_get_selection(plain.p, 0, err); });
  if (range != nullptr && range->end_offset > range->start_offset) {
    position = range->start_offset;
    gint end = range->end_offset;
    if (!ask(a, [&](GError** err) { atspi_editable_text_delete_text(editable.p, position, end, err); })) {
      g_free(range);
      return AXErrorCode::cannotComplete;
    }
  }
  g_free(range);
  if (position < 0) ask(a, [&](GError** err) { position = atspi_text_get_caret_offset(plain.p, err); });
  if (position < 0) ask(a, [&](GError** err) { position = atspi_text_get_character_count(plain.p, err); });
  if (position < 0) return AXErrorCode::cannotComplete;
  gboolean done = FALSE;
  ask(a, [&](GError** err) {
    done = atspi_editable_text_insert_text(editable.p, position, text.c_str(), static_cast<gint>(text.size()), err);
  });
  return result(done);
}

AXError set(const E& e, const std::string& attribute, const Value& value) {
  if (!settable(e, attribute)) return AXErrorCode::attributeUnsupported;
  AtspiAccessible* a = e.accessible();
  const bool* flag = value.get<bool>();
  if (attribute == "AXSelectedText") {
    const auto* text = value.get<std::string>();
    return text ? insertText(e, *text) : AXErrorCode::illegalArgument;
  }
  if (attribute == "AXValue") {
    if (Iface<AtspiValue> v(atspi_accessible_get_value_iface(a)); v) {
      const double* d = value.get<double>();
      const int64_t* i = value.get<int64_t>();
      if (!d && !i) return AXErrorCode::illegalArgument;
      double number = d ? *d : double(*i);
      gboolean done = FALSE;
      ask(a, [&](GError** err) { done = atspi_value_set_current_value(v.p, number, err); });
      return result(done);
    }
    const auto* text = value.get<std::string>();
    if (!text) return AXErrorCode::illegalArgument;
    Iface<AtspiEditableText> t(atspi_accessible_get_editable_text_iface(a));
    gboolean done = FALSE;
    ask(a, [&](GError** err) { done = atspi_editable_text_set_text_contents(t.p, text->c_str(), err); });
    return result(done);
  }
  if (!flag) return AXErrorCode::illegalArgument;
  if (attribute == "AXFocused") {
    if (!*flag) return AXErrorCode::cannotComplete;
    Iface<AtspiComponent> c(atspi_accessible_get_component_iface(a));
    gboolean done = FALSE;
    if (c) ask(a, [&](GError** err) { done = atspi_component_grab_focus(c.p, err); });
    return result(done);
  }
  if (attribute == "AXSelected") {
    auto p = parent(e);
    int index = indexInParent(e);
    Iface<AtspiSelection> s(atspi_accessible_get_selection_iface(atspiElement(p)->accessible()));
    gboolean done = FALSE;
    if (index >= 0)
      ask(atspiElement(p)->accessible(), [&](GError** err) {
        done = *flag ? atspi_selection_select_child(s.p, index, err) : atspi_selection_deselect_child(s.p, index, err);
      });
    return result(done);
  }
  if (!*flag) return AXErrorCode::cannotComplete;
  if (attribute == "AXMain") {
    auto id = xWindowOf(e);
    return result(id && activateWindow(*id));
  }
  // AXFrontmost
  auto main = mainWindow(e);
  auto id = main ? xWindowOf(*atspiElement(main)) : std::nullopt;
  return result(id && activateWindow(*id));
}

class AtspiAccessibility : public Accessibility {
 public:
  bool isProcessTrusted() override { return atspiReady(); }
  bool serviceAnswers() override { return atspiAnswers(); }

  bool applicationAnswers(const AXUIElement& element) override {
    const E* e = atspiElement(element);
    return e == nullptr || e->accessible() == nullptr || answering(e->accessible());
  }

  AXUIElement createApplication(int32_t pid) override {
    AtspiAccessible* app = findApplication(pid);
    if (app == nullptr) return AXUIElement(std::make_shared<const E>(nullptr, pid));
    return wrap(app, pid);
  }

  AXError copyAttributeValue(const AXUIElement& element, const std::string& attribute, Value* value) override {
    if (const PlainWindow* plain = plainWindow(element)) return copyPlainAttribute(*plain, attribute, value);
    const E* e = atspiElement(element);
    if (e == nullptr) return AXErrorCode::invalidElement;
    Value read;
    AXError error = copy(*e, attribute, &read);
    if (error == AXErrorCode::success) *value = read;
    if (e->accessible() == nullptr) return error;
    return answering(e->accessible()) ? error : AXErrorCode::cannotComplete;
  }

  AXError setAttributeValue(const AXUIElement& element, const std::string& attribute, const Value& value) override {
    if (const PlainWindow* plain = plainWindow(element)) return setPlainAttribute(*plain, attribute, value);
    if (const E* absent = atspiElement(element);
        absent && absent->accessible() == nullptr && attribute == "AXManualAccessibility") {
      const bool* on = value.get<bool>();
      if (!on) return AXErrorCode::illegalArgument;
      if (!*on) return AXErrorCode::cannotComplete;
      return result(turnAccessibilitySwitchOn() && awaitJoined(absent->pid()));
    }
    const E* e = live(element);
    if (e == nullptr) return AXErrorCode::invalidElement;
    forgetReadings();
    return set(*e, attribute, value);
  }

  AXError isAttributeSettable(const AXUIElement& element, const std::string& attribute, bool* result) override {
    if (plainWindow(element)) {
      *result = plainAttributeSettable(attribute);
      return AXErrorCode::success;
    }
    const E* e = live(element);
    if (e == nullptr) return AXErrorCode::invalidElement;
    *result = settable(*e, attribute);
    return answering(e->accessible()) ? AXErrorCode::success : AXErrorCode::cannotComplete;
  }

  AXError copyActionNames(const AXUIElement& element, Value* names) override {
    if (plainWindow(element)) {
      *names = Array{Value(raiseAction)};
      return AXErrorCode::success;
    }
    const E* e = live(element);
    if (e == nullptr) return AXErrorCode::invalidElement;
    Array list;
    for (const auto& [ax, index] : actionsOf(*e)) list.emplace_back(ax);
    if (isWindowRole(roleOf(*e))) list.emplace_back(raiseAction);
    *names = list;
    return answering(e->accessible()) ? AXErrorCode::success : AXErrorCode::cannotComplete;
  }

  AXError performAction(const AXUIElement& element, const std::string& action) override {
    if (const PlainWindow* plain = plainWindow(element)) return performPlainAction(*plain, action);
    const E* e = live(element);
    if (e == nullptr) return AXErrorCode::invalidElement;
    forgetReadings();
    if (action == raiseAction && isWindowRole(roleOf(*e))) {
      auto id = xWindowOf(*e);
      return result(id && raiseWindow(*id));
    }
    for (const auto& [ax, index] : actionsOf(*e)) {
      if (ax != action) continue;
      Iface<AtspiAction> actions(atspi_accessible_get_action_iface(e->accessible()));
      gboolean done = FALSE;
      ask(e->accessible(), [&, i = index](GError** err) { done = atspi_action_do_action(actions.p, i, err); });
      return result(done);
    }
    return AXErrorCode::actionUnsupported;
  }

  AXError copyElementAtPosition(const AXUIElement& application, float x, float y, AXUIElement* element) override {
    const E* e = live(application);
    if (e == nullptr) return AXErrorCode::invalidElement;
    auto hit = elementAt(*e, static_cast<int>(x), static_cast<int>(y));
    if (!hit) return AXErrorCode::noValue;
    *element = hit;
    return AXErrorCode::success;
  }

  AXError getWindow(const AXUIElement& element, uint32_t* windowId) override {
    if (const PlainWindow* plain = plainWindow(element)) {
      *windowId = static_cast<uint32_t>(plain->id());
      return AXErrorCode::success;
    }
    const E* e = live(element);
    if (e == nullptr) return AXErrorCode::invalidElement;
    if (!isWindowRole(roleOf(*e))) return AXErrorCode::noValue;
    auto id = xWindowOf(*e);
    if (!id) return AXErrorCode::noValue;
    *windowId = static_cast<uint32_t>(*id);
    return AXErrorCode::success;
  }

 private:
  static const E* live(const AXUIElement& element) {
    const E* e = atspiElement(element);
    return e != nullptr && e->accessible() != nullptr ? e : nullptr;
  }

  // AX action names with their AT-SPI indexes; the first press-like action stands for AXPress.
  static std::vector<std::pair<std::string, int>> actionsOf(const E& e) {
    std::vector<std::pair<std::string, int>> result;
    auto actions = interfaceOf(e, ATSPI_DBUS_INTERFACE_ACTION, ATSPI_TYPE_ACTION, atspi_accessible_get_action_iface);
    if (!actions) return result;
    gint count = 0;
    ask(e.accessible(), [&](GError** err) { count = atspi_action_get_n_actions(actions.p, err); });
    bool pressSeen = false;
    for (gint i = 0; i < count; ++i) {
      gchar* name = nullptr;
      if (!ask(e.accessible(), [&](GError** err) { name = atspi_action_get_action_name(actions.p, i, err); })) break;
      std::string ax = axAction(takeString(name).value_or(""), isTextRole(roleOf(e)));
      if (ax == pressAction && std::exchange(pressSeen, true)) continue;
      result.emplace_back(ax, i);
    }
    return result;
  }
};

}  // namespace

std::unique_ptr<Accessibility> makeAccessibility() { return std::make_unique<AtspiAccessibility>(); }

}  // namespace platform::linux_desktop
