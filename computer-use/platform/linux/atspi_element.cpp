#include "platform/linux/atspi_element.h"

#include <dbus/dbus.h>
#include <glib.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <semaphore>
#include <set>
#include <thread>

#include "platform/linux/atspi_roles.h"
#include "platform/linux/atspi_tree.h"
#include "platform/linux/atspi_tree_reading.h"

namespace platform::linux_desktop {
namespace {


// Applications that let a call run into the time limit, by bus name.
std::set<std::string>& hungApplications() {
  static std::set<std::string> names;
  return names;
}

const char* busName(AtspiAccessible* accessible) {
  AtspiApplication* app = ATSPI_OBJECT(accessible)->app;
  return app != nullptr && app->bus_name != nullptr ? app->bus_name : "";
}

std::map<const AtspiAccessible*, std::weak_ptr<const AtspiElement>>& liveHandles() {
  static std::map<const AtspiAccessible*, std::weak_ptr<const AtspiElement>> handles;
  return handles;
}

}  // namespace

namespace {

enum class BusState { ready, absent, silent };

BusState busState() {
  static const BusState state = [] {
    // libdbus's own variable: without it a connection attempt would autolaunch a bus.
    const char* session = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (session == nullptr || *session == '\0') return BusState::absent;
    // libatspi connects without a time limit (the address lookup and the bus registration wait
    // for answers), so it connects on a thread of its own; one that is still waiting at the
    // limit is left behind, and nothing of libatspi is used again in this run.
    struct Setup {
      std::binary_semaphore done{0};
      bool connected = false;
    };
    auto setup = std::make_shared<Setup>();
    std::thread([setup] {
      if (atspi_init() <= 1) {
        atspi_set_timeout(atspiCallLimitMs, atspiCallLimitMs);
        DBusConnection* bus = atspi_get_a11y_bus();
        setup->connected = bus != nullptr && dbus_connection_get_is_connected(bus);
      }
      setup->done.release();
    }).detach();
    if (!setup->done.try_acquire_for(std::chrono::duration<double>(atspiSetupLimitSeconds))) return BusState::silent;
    return setup->connected ? BusState::ready : BusState::absent;
  }();
  return state;
}

}  // namespace

bool atspiReady() { return busState() == BusState::ready; }
bool atspiAnswers() { return busState() != BusState::silent; }

AtspiElement::AtspiElement(AtspiAccessible* accessible, int32_t pid)
    : accessible_(accessible), pid_(pid) {}

AtspiElement::~AtspiElement() {
  if (accessible_ == nullptr) return;
  liveHandles().erase(accessible_);
  g_object_unref(accessible_);
}

std::optional<AtspiRole> AtspiElement::role() const {
  if (const ReadObject* read = role_ ? nullptr : readObject(accessible_); read && read->role != ATSPI_ROLE_INVALID)
    role_ = read->role;
  if (!role_) {
    AtspiRole role = ATSPI_ROLE_INVALID;
    if (ask(accessible_, [&](GError** e) { role = atspi_accessible_get_role(accessible_, e); }) &&
        role != ATSPI_ROLE_INVALID)
      role_ = role;
  }
  return role_;
}

const std::map<std::string, std::string>& AtspiElement::objectAttributes() const {
  if (const ReadObject* read = attributes_ ? nullptr : readObject(accessible_); read && read->attributes)
    attributes_ = read->attributes;
  if (!attributes_) {
    attributes_.emplace();
    GHashTable* table = nullptr;
    if (ask(accessible_, [&](GError** e) { table = atspi_accessible_get_attributes(accessible_, e); }) &&
        table != nullptr) {
      GHashTableIter it;
      gpointer key, value;
      g_hash_table_iter_init(&it, table);
      while (g_hash_table_iter_next(&it, &key, &value))
        attributes_->emplace(static_cast<const char*>(key), static_cast<const char*>(value));
    }
    if (table != nullptr) g_hash_table_unref(table);
  }
  return *attributes_;
}

namespace {

// Window origins by bus name, then by the window's path.
std::map<std::string, std::map<std::string, Point>>& windowOrigins() {
  static std::map<std::string, std::map<std::string, Point>> origins;
  return origins;
}

// The origin of the window the accessible is in, when its application reports window-relative
// coordinates. Windows of such an application are told apart by climbing the parents.
std::optional<Point> originOf(AtspiAccessible* accessible) {
  auto app = windowOrigins().find(busName(accessible));
  if (app == windowOrigins().end() || app->second.empty()) return std::nullopt;
  if (app->second.size() == 1) return app->second.begin()->second;
  AtspiAccessible* current = g_object_ref(accessible);
  std::optional<Point> found;
  for (int depth = 0; current != nullptr && depth < 64 && !found; ++depth) {
    if (auto it = app->second.find(ATSPI_OBJECT(current)->path); it != app->second.end()) found = it->second;
    AtspiAccessible* up = nullptr;
    ask(current, [&](GError** e) { up = atspi_accessible_get_parent(current, e); });
    g_object_unref(current);
    current = up;
  }
  if (current != nullptr) g_object_unref(current);
  return found;
}

}  // namespace

bool drawnByGtk4(AtspiAccessible* accessible) {
  static std::map<std::string, bool> byApplication;
  AtspiApplication* app = accessible != nullptr ? ATSPI_OBJECT(accessible)->app : nullptr;
  if (app == nullptr || app->root == nullptr) return false;
  auto [it, added] = byApplication.try_emplace(busName(accessible), false);
  if (added) it->second = isGtk4(toolkitOf(app->root));
  return it->second;
}

AtspiStateType shownState(AtspiAccessible* accessible) {
  return drawnByGtk4(accessible) ? ATSPI_STATE_VISIBLE : ATSPI_STATE_SHOWING;
}

bool fetchesFramesLazily(AtspiAccessible* accessible) {
  static std::map<std::string, bool> byApplication;
  AtspiApplication* app = accessible != nullptr ? ATSPI_OBJECT(accessible)->app : nullptr;
  if (app == nullptr || app->root == nullptr) return false;
  auto [it, added] = byApplication.try_emplace(busName(accessible), false);
  if (added) it->second = g_ascii_strcasecmp(toolkitOf(app->root).name.c_str(), "gecko") == 0;
  return it->second;
}

void setWindowOrigin(AtspiAccessible* window, std::optional<Point> origin) {
  if (window == nullptr) return;
  auto& windows = windowOrigins()[busName(window)];
  if (origin)
    windows[ATSPI_OBJECT(window)->path] = *origin;
  else
    windows.erase(ATSPI_OBJECT(window)->path);
}

std::optional<AtspiRect> AtspiElement::extents(bool reuseLast) const {
  if (reuseLast && lastExtents_) {
    auto rect = lastExtents_;
    lastExtents_.reset();
    return rect;
  }
  lastExtents_ = readExtents();
  // A window's own extents stay as the toolkit reports them: they are what pairs it with its
  // client window. What is not laid out (INT_MIN) stays so.
  if (!lastExtents_ || lastExtents_->x == INT_MIN || lastExtents_->y == INT_MIN || windowOrigins().empty() ||
      isWindowRole(role().value_or(ATSPI_ROLE_INVALID)))
    return lastExtents_;
  if (auto origin = originOf(accessible_)) {
    lastExtents_->x += static_cast<int>(origin->x);
    lastExtents_->y += static_cast<int>(origin->y);
  }
  return lastExtents_;
}

std::optional<AtspiRect> AtspiElement::readExtents() const {
  if (const ReadObject* read = readObject(accessible_);
      read && (!read->offers(ATSPI_DBUS_INTERFACE_COMPONENT) || read->extents || read->hidden()))
    return read->extents;
  if (accessible_ == nullptr) return std::nullopt;
  AtspiComponent* component = atspi_accessible_get_component_iface(accessible_);
  if (component == nullptr) return std::nullopt;
  AtspiRect* rect = nullptr;
  ask(accessible_, [&](GError** e) {
    rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, e);
  });
  g_object_unref(component);
  if (rect == nullptr) return std::nullopt;
  AtspiRect copy = *rect;
  g_free(rect);
  return copy;
}

const AtspiElement* atspiElement(const AXUIElement& element) {
  return dynamic_cast<const AtspiElement*>(element.get());
}

AXUIElement wrap(AtspiAccessible* adopted, int32_t pid) {
  if (adopted == nullptr) return {};
  auto& handles = liveHandles();
  auto it = handles.find(adopted);
  if (it != handles.end()) {
    if (auto existing = it->second.lock()) {
      g_object_unref(adopted);
      return AXUIElement(existing);
    }
  }
  auto element = std::make_shared<const AtspiElement>(adopted, pid);
  handles[adopted] = element;
  return AXUIElement(element);
}

DBusMessage* callApplication(AtspiAccessible* accessible, DBusMessage* call, const char* signature) {
  AtspiApplication* app = ATSPI_OBJECT(accessible)->app;
  DBusMessage* reply = nullptr;
  if (call != nullptr && app != nullptr && app->bus != nullptr)
    ask(accessible, [&](GError**) {
      DBusError error;
      dbus_error_init(&error);
      reply = dbus_connection_send_with_reply_and_block(app->bus, call, atspiCallLimitMs, &error);
      dbus_error_free(&error);
      return reply != nullptr;
    });
  if (call != nullptr) dbus_message_unref(call);
  if (reply != nullptr && !dbus_message_has_signature(reply, signature)) {
    dbus_message_unref(reply);
    reply = nullptr;
  }
  return reply;
}

bool answering(AtspiAccessible* accessible) {
  return hungApplications().count(busName(accessible)) == 0;
}

void noteCallTime(AtspiAccessible* accessible, std::chrono::steady_clock::duration spent) {
  // A call that used up (nearly) the whole limit was cut off by it.
  if (spent >= std::chrono::milliseconds(atspiCallLimitMs * 9 / 10))
    hungApplications().insert(busName(accessible));
}

std::optional<std::string> takeString(gchar* text) {
  if (text == nullptr) return std::nullopt;
  std::string copy(text);
  g_free(text);
  return copy;
}

}  // namespace platform::linux_desktop
