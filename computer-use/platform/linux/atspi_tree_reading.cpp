#include "platform/linux/atspi_tree_reading.h"

#include <dbus/dbus.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_roles.h"

namespace platform::linux_desktop {
namespace {

using Clock = std::chrono::steady_clock;

// Frames asked for at once; an application with more objects than a walk visits has the rest
// of them read when asked for.
constexpr size_t maxBatchedCalls = 4000;

struct Node : ReadObject {
  std::string parent;
  int childCount = 0;
  // In the order the application gives them one by one, which the index each object reports in
  // its parent does not always follow (GTK's title bars).
  std::vector<AtspiAccessible*> children;
};

struct Reading {
  Clock::time_point taken;
  std::unordered_map<std::string, Node> nodes;
  // Owned references: the root, then every descendant in canonical order (depth first, each
  // node's children as the application lists them one by one).
  std::vector<AtspiAccessible*> inOrder;
  std::unordered_map<std::string, AtspiAccessible*> proxies;  // the same, by path

  Reading() = default;
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;
  ~Reading() {
    for (AtspiAccessible* proxy : inOrder) g_object_unref(proxy);
  }
};

// By bus name.
std::map<std::string, std::unique_ptr<Reading>>& readings() {
  static std::map<std::string, std::unique_ptr<Reading>> byApplication;
  return byApplication;
}

// Applications whose toolkit offers no cache in the expected form: a toolkit does not gain one
// while it runs, so they are not asked again.
std::set<std::string>& unreadable() {
  static std::set<std::string> names;
  return names;
}

const char* pathOf(AtspiAccessible* accessible) { return ATSPI_OBJECT(accessible)->path; }

const std::string componentInterface = "org.a11y.atspi.Component";

std::string basicString(DBusMessageIter* field) {
  const char* text = "";
  dbus_message_iter_get_basic(field, &text);
  return text;
}

// The path of an object reference (bus name, path).
std::string referencePath(DBusMessageIter* reference) {
  DBusMessageIter fields;
  dbus_message_iter_recurse(reference, &fields);
  dbus_message_iter_next(&fields);
  return basicString(&fields);
}

bool readCache(AtspiAccessible* root, Reading& reading) {
  DBusMessage* call = dbus_message_new_method_call(ATSPI_OBJECT(root)->app->bus_name, "/org/a11y/atspi/cache",
                                                   "org.a11y.atspi.Cache", "GetItems");
  DBusMessage* reply = callApplication(root, call, "a((so)(so)(so)iiassusau)");
  if (reply == nullptr) return false;
  DBusMessageIter top, items;
  if (dbus_message_iter_init(reply, &top)) {
    dbus_message_iter_recurse(&top, &items);
    for (; dbus_message_iter_get_arg_type(&items) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&items)) {
      DBusMessageIter field;
      dbus_message_iter_recurse(&items, &field);
      Node& node = reading.nodes[referencePath(&field)];
      dbus_message_iter_next(&field);
      dbus_message_iter_next(&field);  // the application
      node.parent = referencePath(&field);
      dbus_message_iter_next(&field);  // the index in the parent
      dbus_message_iter_next(&field);
      dbus_int32_t count = 0;
      dbus_message_iter_get_basic(&field, &count);
      dbus_message_iter_next(&field);
      DBusMessageIter interface;
      dbus_message_iter_recurse(&field, &interface);
      for (; dbus_message_iter_get_arg_type(&interface) == DBUS_TYPE_STRING; dbus_message_iter_next(&interface))
        node.hasComponent = node.hasComponent || basicString(&interface) == componentInterface;
      dbus_message_iter_next(&field);
      node.name = basicString(&field);
      dbus_message_iter_next(&field);
      dbus_uint32_t role = ATSPI_ROLE_INVALID;
      dbus_message_iter_get_basic(&field, &role);
      node.role = static_cast<AtspiRole>(role);
      dbus_message_iter_next(&field);
      node.description = basicString(&field);
      node.childCount = count;
    }
  }
  dbus_message_unref(reply);
  return true;
}

bool readProxies(AtspiAccessible* root, Reading& reading) {
  AtspiCollection* collection = atspi_accessible_get_collection_iface(root);
  if (collection == nullptr) return false;
  AtspiStateSet* anyStates = atspi_state_set_new(nullptr);
  AtspiMatchRule* everything =
      atspi_match_rule_new(anyStates, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, nullptr,
                           ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE);
  g_object_unref(anyStates);
  GArray* matches = nullptr;
  ask(root, [&](GError** e) {
    matches = atspi_collection_get_matches(collection, everything, ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, e);
  });
  g_object_unref(everything);
  g_object_unref(collection);
  if (matches == nullptr) return false;
  reading.inOrder.push_back(g_object_ref(root));
  reading.proxies.emplace(pathOf(root), root);
  for (guint i = 0; i < matches->len; ++i) {
    auto* proxy = g_array_index(matches, AtspiAccessible*, i);
    if (reading.proxies.emplace(pathOf(proxy), proxy).second)
      reading.inOrder.push_back(proxy);
    else
      g_object_unref(proxy);
  }
  g_array_free(matches, TRUE);
  return true;
}

// Each object under its parent, in the order the application lists them.
void linkChildren(Reading& reading) {
  for (AtspiAccessible* proxy : reading.inOrder) {
    auto node = reading.nodes.find(pathOf(proxy));
    if (node == reading.nodes.end()) continue;
    auto parent = reading.nodes.find(node->second.parent);
    if (parent != reading.nodes.end()) parent->second.children.push_back(proxy);
  }
}

// Every GetExtents call goes out before the first answer is awaited, so the application
// answers them back to back instead of one round trip each. Each call has the time limit from
// when it went out, so a hung application costs one limit for all of them.
void readExtents(AtspiAccessible* root, Reading& reading) {
  AtspiApplication* app = ATSPI_OBJECT(root)->app;
  std::vector<std::pair<Node*, DBusPendingCall*>> pending;
  dbus_uint32_t screen = ATSPI_COORD_TYPE_SCREEN;
  for (auto& [path, node] : reading.nodes) {
    // A window's frame is left to be read when asked for: it is matched against the X frame
    // of the moment, and windows move, shrink to icons and come back.
    if (!node.hasComponent || isWindowRole(node.role) || pending.size() >= maxBatchedCalls) continue;
    DBusMessage* call =
        dbus_message_new_method_call(app->bus_name, path.c_str(), componentInterface.c_str(), "GetExtents");
    if (call == nullptr) continue;
    DBusPendingCall* answer = nullptr;
    if (dbus_message_append_args(call, DBUS_TYPE_UINT32, &screen, DBUS_TYPE_INVALID) &&
        dbus_connection_send_with_reply(app->bus, call, &answer, atspiCallLimitMs) && answer != nullptr)
      pending.emplace_back(&node, answer);
    dbus_message_unref(call);
  }
  bool timedOut = false;
  for (auto& [node, answer] : pending) {
    dbus_pending_call_block(answer);
    DBusMessage* reply = dbus_pending_call_steal_reply(answer);
    dbus_pending_call_unref(answer);
    if (reply == nullptr) continue;
    timedOut = timedOut || dbus_message_is_error(reply, DBUS_ERROR_NO_REPLY);
    if (dbus_message_has_signature(reply, "(iiii)")) {
      DBusMessageIter top, field;
      dbus_message_iter_init(reply, &top);
      dbus_message_iter_recurse(&top, &field);
      dbus_int32_t v[4];
      for (auto& value : v) {
        dbus_message_iter_get_basic(&field, &value);
        dbus_message_iter_next(&field);
      }
      node->extents = AtspiRect{v[0], v[1], v[2], v[3]};
    }
    dbus_message_unref(reply);
  }
  if (timedOut) noteCallTime(root, std::chrono::milliseconds(atspiCallLimitMs));
}

Reading* current(AtspiAccessible* accessible, bool takeIfNone) {
  AtspiApplication* app = ATSPI_OBJECT(accessible)->app;
  if (app == nullptr || app->bus_name == nullptr || !answering(accessible)) return nullptr;
  std::unique_ptr<Reading>& slot = readings()[app->bus_name];
  const auto now = Clock::now();
  if (slot && now - slot->taken < readingLifetime) return slot.get();
  slot.reset();
  if (!takeIfNone || app->bus == nullptr || app->root == nullptr || unreadable().count(app->bus_name)) return nullptr;
  auto reading = std::make_unique<Reading>();
  reading->taken = now;
  // The match first: it has the toolkit create the accessibles of everything, which the cache
  // lists only once they exist.
  if (!readProxies(app->root, *reading) || !readCache(app->root, *reading)) {
    if (answering(accessible)) unreadable().insert(app->bus_name);
    return nullptr;
  }
  linkChildren(*reading);
  readExtents(app->root, *reading);
  slot = std::move(reading);
  return slot.get();
}

}  // namespace

std::optional<std::vector<AtspiAccessible*>> readChildren(AtspiAccessible* accessible) {
  Reading* reading = current(accessible, true);
  if (reading == nullptr) return std::nullopt;
  auto it = reading->nodes.find(pathOf(accessible));
  if (it == reading->nodes.end() || it->second.children.size() != static_cast<size_t>(it->second.childCount))
    return std::nullopt;
  return it->second.children;
}

const ReadObject* readObject(AtspiAccessible* accessible) {
  Reading* reading = current(accessible, false);
  if (reading == nullptr) return nullptr;
  auto it = reading->nodes.find(pathOf(accessible));
  return it == reading->nodes.end() ? nullptr : &it->second;
}

void forgetReadings() { readings().clear(); }

}  // namespace platform::linux_desktop
