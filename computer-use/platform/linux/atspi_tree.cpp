#include "platform/linux/atspi_tree.h"

#include "platform/linux/atspi_roles.h"
#include "platform/linux/plain_windows.h"
#include "platform/linux/window_pairing.h"
#include "platform/linux/atspi_tree_reading.h"
#include "platform/linux/workspace_accessible_apps.h"

namespace platform::linux_desktop {
namespace {

bool contains(const Rect& r, int x, int y) {
  return x >= r.origin.x && y >= r.origin.y && x < r.origin.x + r.size.width &&
         y < r.origin.y + r.size.height;
}

std::optional<std::string> name(const AtspiElement& element) {
  gchar* text = nullptr;
  ask(element.accessible(), [&](GError** e) { text = atspi_accessible_get_name(element.accessible(), e); });
  return takeString(text);
}

}  // namespace

AtspiAccessible* findApplication(int32_t pid) { return AccessibleApplications(false).root(pid); }

std::optional<uint64_t> states(const AtspiElement& element) {
  if (const ReadObject* read = readObject(element.accessible()); read && read->states) return read->states;
  AtspiStateSet* set = nullptr;
  ask(element.accessible(), [&](GError**) { set = atspi_accessible_get_state_set(element.accessible()); });
  if (set == nullptr) return std::nullopt;
  uint64_t bits = 0;
  GArray* list = atspi_state_set_get_states(set);
  for (guint i = 0; list != nullptr && i < list->len; ++i) {
    auto state = g_array_index(list, AtspiStateType, i);
    if (state < 64) bits |= uint64_t{1} << state;
  }
  if (list != nullptr) g_array_free(list, TRUE);
  g_object_unref(set);
  return bits;
}

namespace {

std::vector<AXUIElement> children(const AtspiElement& element, bool takeReading) {
  auto read = readChildren(element.accessible(), takeReading);
  if (!read) return childrenCallByCall(element);
  std::vector<AXUIElement> result;
  for (AtspiAccessible* child : *read)
    if (auto handle = wrap(g_object_ref(child), element.pid())) result.push_back(handle);
  return result;
}

}  // namespace

std::vector<AXUIElement> children(const AtspiElement& element) { return children(element, true); }

std::vector<AXUIElement> childrenCallByCall(const AtspiElement& element) {
  std::vector<AXUIElement> result;
  AtspiAccessible* a = element.accessible();
  gint count = 0;
  if (!ask(a, [&](GError** e) { count = atspi_accessible_get_child_count(a, e); })) return result;
  for (gint i = 0; i < count; ++i) {
    AtspiAccessible* child = nullptr;
    if (!ask(a, [&](GError** e) { child = atspi_accessible_get_child_at_index(a, i, e); })) {
      if (!answering(a)) break;
      continue;
    }
    if (auto handle = wrap(child, element.pid())) result.push_back(handle);
  }
  return result;
}

AXUIElement parent(const AtspiElement& element) {
  if (element.role() == ATSPI_ROLE_APPLICATION) return {};
  AtspiAccessible* p = nullptr;
  ask(element.accessible(), [&](GError** e) { p = atspi_accessible_get_parent(element.accessible(), e); });
  return wrap(p, element.pid());
}

int indexInParent(const AtspiElement& element) {
  gint index = -1;
  ask(element.accessible(), [&](GError** e) { index = atspi_accessible_get_index_in_parent(element.accessible(), e); });
  return index;
}

std::vector<MatchedWindow> matchedWindows(const AtspiElement& application) {
  std::vector<MatchedWindow> windows;
  // Without a reading at hand the few windows are asked for one by one: taking a reading here
  // would read the whole tree before a command wants it (a screenshot reads it after its image).
  if (application.accessible() != nullptr) {
    for (auto& child : children(application, false)) {
      const AtspiElement* w = atspiElement(child);
      if (auto role = w->role(); role && isWindowRole(*role)) windows.push_back({child, std::nullopt});
    }
  }
  std::vector<ClientWindow> clients;
  for (auto& c : clientWindows())
    if (c.pid == application.pid()) clients.push_back(c);
  std::vector<AccessibleWindowFacts> facts;
  for (auto& window : windows) {
    const AtspiElement& w = *atspiElement(window.element);
    AccessibleWindowFacts f;
    if (auto x = w.extents(false)) f.extents = Rect{{double(x->x), double(x->y)}, {double(x->width), double(x->height)}};
    // Titles only tell windows apart: one window needs none.
    if (clients.size() > 1) f.title = name(w).value_or("");
    facts.push_back(f);
  }
  std::vector<bool> taken(clients.size(), false);
  auto pairs = pairWindows(facts, clients);
  for (size_t i = 0; i < windows.size(); ++i) {
    if (!pairs[i]) continue;
    taken[pairs[i]->client] = true;
    windows[i].client = clients[pairs[i]->client];
    setWindowOrigin(atspiElement(windows[i].element)->accessible(), pairs[i]->origin);
  }
  for (size_t i = clients.size(); i-- > 0;)
    if (!taken[i])
      windows.push_back({plainWindowHandle(clients[i].id, clients[i].pid), clients[i]});
  return windows;
}

Toolkit toolkitOf(AtspiAccessible* application) {
  gchar* name = nullptr;
  gchar* version = nullptr;
  ask(application, [&](GError** e) { name = atspi_accessible_get_toolkit_name(application, e); });
  ask(application, [&](GError** e) { version = atspi_accessible_get_toolkit_version(application, e); });
  return Toolkit{takeString(name).value_or(""), takeString(version).value_or("")};
}

std::optional<Toolkit> toolkitOf(int32_t pid) {
  if (!atspiReady()) return std::nullopt;
  AtspiAccessible* app = findApplication(pid);
  if (app == nullptr) return std::nullopt;
  Toolkit toolkit = toolkitOf(app);
  g_object_unref(app);
  return toolkit;
}

bool isGtk4(const Toolkit& toolkit) {
  return g_ascii_strcasecmp(toolkit.name.c_str(), "gtk") == 0 && toolkit.version.rfind("4.", 0) == 0;
}

AXUIElement applicationOf(const AtspiElement& element) {
  if (element.role() == ATSPI_ROLE_APPLICATION) return wrap(g_object_ref(element.accessible()), element.pid());
  // The proxy knows its application's root; asking climbs the parents one call at a time.
  if (AtspiApplication* known = ATSPI_OBJECT(element.accessible())->app; known != nullptr && known->root != nullptr)
    return wrap(g_object_ref(known->root), element.pid());
  AtspiAccessible* app = nullptr;
  ask(element.accessible(), [&](GError** e) { app = atspi_accessible_get_application(element.accessible(), e); });
  return wrap(app, element.pid());
}

namespace {

// The active window, else the one made key in this run; for the main window also the
// topmost viewable one, else any.
AXUIElement pickWindow(const AtspiElement& application, bool focusedOnly) {
  auto windows = matchedWindows(application);
  auto byClient = [&](std::optional<Window> id) -> AXUIElement {
    for (auto& w : windows)
      if (id && w.client && w.client->id == *id) return w.element;
    return {};
  };
  if (auto w = byClient(activeWindow())) return w;
  for (auto& w : windows) {
    const AtspiElement* accessible = atspiElement(w.element);
    auto bits = accessible ? states(*accessible) : std::nullopt;
    if (bits && hasState(*bits, ATSPI_STATE_ACTIVE)) return w.element;
  }
  if (auto w = byClient(keyWindow(application.pid()))) return w;
  if (focusedOnly) return {};
  if (auto target = keyTarget(application.pid()))
    if (auto w = byClient(target->id)) return w;
  return windows.empty() ? AXUIElement() : windows.front().element;
}

}  // namespace

AXUIElement focusedWindow(const AtspiElement& application) { return pickWindow(application, true); }
AXUIElement mainWindow(const AtspiElement& application) { return pickWindow(application, false); }

AXUIElement elementAt(const AtspiElement& application, int x, int y) {
  auto clients = clientWindows();
  const ClientWindow* top = nullptr;
  for (const auto& c : clients)
    if (c.viewable && contains(c.frame, x, y)) top = &c;
  if (top == nullptr || top->pid != application.pid()) return {};
  AXUIElement current;
  for (auto& w : matchedWindows(application))
    if (w.client && w.client->id == top->id) current = w.element;
  for (int depth = 0; current && atspiElement(current) && depth < 64; ++depth) {
    AtspiAccessible* a = atspiElement(current)->accessible();
    AtspiComponent* component = atspi_accessible_get_component_iface(a);
    if (component == nullptr) break;
    AtspiAccessible* hit = nullptr;
    ask(a, [&](GError** e) {
      hit = atspi_component_get_accessible_at_point(component, x, y, ATSPI_COORD_TYPE_SCREEN, e);
    });
    g_object_unref(component);
    if (hit == nullptr || hit == a) {
      if (hit != nullptr) g_object_unref(hit);
      break;
    }
    current = wrap(hit, application.pid());
  }
  return current;
}

}  // namespace platform::linux_desktop
