#include "platform/linux/atspi_tree_reading.h"

#include <dbus/dbus.h>

#include <map>
#include <utility>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/linux/atspi_call_batch.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_gtk4.h"
#include "platform/linux/atspi_roles.h"

namespace platform::linux_desktop {
namespace {

using Clock = std::chrono::steady_clock;

// Calls sent together at most: an application with more objects than a walk visits has the
// rest of them read when asked for.
constexpr size_t maxBatchedCalls = 4000;
constexpr auto lazyFramesLimit = std::chrono::milliseconds(2000);
constexpr auto lazyFramesInterval = std::chrono::milliseconds(50);

struct Node : ReadObject {
  std::string parent;
  int childCount = 0;  // -1 where the toolkit does not say
  // In the order the application gives them one by one, which the index each object reports in
  // its parent does not always follow (GTK's title bars).
  std::vector<AtspiAccessible*> children;
  bool childrenKnown = false;  // else read call by call
};

struct Reading {
  Clock::time_point taken;
  std::unordered_map<std::string, Node> nodes;
  // Owned references: the root, then every descendant in canonical order (depth first, each
  // node's children as the application lists them one by one), then proxies found later.
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

std::string basicString(DBusMessageIter* field) {
  const char* text = "";
  int type = dbus_message_iter_get_arg_type(field);
  if (type == DBUS_TYPE_STRING || type == DBUS_TYPE_OBJECT_PATH) dbus_message_iter_get_basic(field, &text);
  return text;
}

// The path of an object reference (bus name, path).
std::string referencePath(DBusMessageIter* reference) {
  DBusMessageIter fields;
  dbus_message_iter_recurse(reference, &fields);
  dbus_message_iter_next(&fields);
  return basicString(&fields);
}

std::set<std::string> interfaceNames(DBusMessageIter* list) {
  std::set<std::string> names;
  DBusMessageIter name;
  dbus_message_iter_recurse(list, &name);
  for (; dbus_message_iter_get_arg_type(&name) == DBUS_TYPE_STRING; dbus_message_iter_next(&name))
    names.insert(basicString(&name));
  return names;
}

// A state set as two 32-bit words, the low one first.
uint64_t stateBits(DBusMessageIter* words) {
  DBusMessageIter word;
  dbus_message_iter_recurse(words, &word);
  uint64_t bits = 0;
  for (int shift = 0; shift < 64 && dbus_message_iter_get_arg_type(&word) == DBUS_TYPE_UINT32;
       shift += 32, dbus_message_iter_next(&word)) {
    dbus_uint32_t part = 0;
    dbus_message_iter_get_basic(&word, &part);
    bits |= uint64_t{part} << shift;
  }
  return bits;
}

bool readCache(AtspiAccessible* root, Reading& reading) {
  DBusMessage* call = dbus_message_new_method_call(ATSPI_OBJECT(root)->app->bus_name, "/org/a11y/atspi/cache",
                                                   ATSPI_DBUS_INTERFACE_CACHE, "GetItems");
  DBusMessage* reply = callApplication(root, call, "a((so)(so)(so)iiassusau)");
  if (reply == nullptr) return false;
  DBusMessageIter top, items;
  if (dbus_message_iter_init(reply, &top)) {
    dbus_message_iter_recurse(&top, &items);
    for (; dbus_message_iter_get_arg_type(&items) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&items)) {
      DBusMessageIter field;
      dbus_message_iter_recurse(&items, &field);
      Node& node = reading.nodes[referencePath(&field)];
      node.shown = shownState(root);
      dbus_message_iter_next(&field);
      dbus_message_iter_next(&field);  // the application
      node.parent = referencePath(&field);
      dbus_message_iter_next(&field);  // the index in the parent
      dbus_message_iter_next(&field);
      dbus_int32_t count = 0;
      dbus_message_iter_get_basic(&field, &count);
      node.childCount = count;
      dbus_message_iter_next(&field);
      node.interfaces = interfaceNames(&field);
      dbus_message_iter_next(&field);
      node.name = basicString(&field);
      dbus_message_iter_next(&field);
      dbus_uint32_t role = ATSPI_ROLE_INVALID;
      dbus_message_iter_get_basic(&field, &role);
      node.role = static_cast<AtspiRole>(role);
      dbus_message_iter_next(&field);
      node.description = basicString(&field);
      dbus_message_iter_next(&field);
      if (!isWindowRole(node.role)) node.states = stateBits(&field);
    }
  }
  dbus_message_unref(reply);
  return true;
}

// Proxies of the root and all its descendants, as one collection match gives them.
bool matchDescendants(AtspiAccessible* root, Reading& reading) {
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
  if (reading.proxies.emplace(pathOf(root), root).second) reading.inOrder.push_back(g_object_ref(root));
  for (guint i = 0; i < matches->len; ++i) {
    auto* proxy = g_array_index(matches, AtspiAccessible*, i);
    // GTK2's bridge answers with null references for objects it has already dropped.
    if (proxy == nullptr || pathOf(proxy) == nullptr) {
      if (proxy != nullptr) g_object_unref(proxy);
      continue;
    }
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
  for (auto& [path, node] : reading.nodes)
    node.childrenKnown = node.children.size() == static_cast<size_t>(node.childCount);
}

void sendExtents(CallBatch& batch, const std::string& path, Node& node) {
  dbus_uint32_t screen = ATSPI_COORD_TYPE_SCREEN;
  DBusMessage* call =
      batch.message(path, ATSPI_DBUS_INTERFACE_COMPONENT, "GetExtents", DBUS_TYPE_UINT32, &screen, DBUS_TYPE_INVALID);
  batch.send(call, "(iiii)", [&node](DBusMessageIter* arguments) {
    DBusMessageIter field;
    dbus_message_iter_recurse(arguments, &field);
    dbus_int32_t v[4];
    for (auto& value : v) {
      dbus_message_iter_get_basic(&field, &value);
      dbus_message_iter_next(&field);
    }
    node.extents = AtspiRect{v[0], v[1], v[2], v[3]};
  });
}

// What a walk reads of a visible object beside its frame: the text of a text object, the value
// of a value object, and for an object without a name or description the attributes and the
// identifier it may be labelled by. What is not asked for, or not answered, is read when asked
// for. The number of calls sent.
int sendContents(CallBatch& batch, const std::string& path, Node& node, dbus_int32_t textEnd, bool text, bool value,
                 bool labels) {
  int sent = 0;
  if (text) {
    dbus_int32_t start = 0, end = textEnd;
    batch.send(batch.message(path, ATSPI_DBUS_INTERFACE_TEXT, "GetText", DBUS_TYPE_INT32, &start, DBUS_TYPE_INT32, &end,
                             DBUS_TYPE_INVALID),
               "s", [&node](DBusMessageIter* arguments) { node.text = basicString(arguments); });
    ++sent;
  }
  if (value) {
    batch.getProperty(path, ATSPI_DBUS_INTERFACE_VALUE, "CurrentValue", [&node](DBusMessageIter* content) {
      if (dbus_message_iter_get_arg_type(content) != DBUS_TYPE_DOUBLE) return;
      double current = 0;
      dbus_message_iter_get_basic(content, &current);
      node.currentValue = current;
    });
    ++sent;
  }
  if (labels) {
    batch.send(batch.message(path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetAttributes", DBUS_TYPE_INVALID), "a{ss}",
               [&node](DBusMessageIter* arguments) {
                 auto& attributes = node.attributes.emplace();
                 DBusMessageIter entry;
                 dbus_message_iter_recurse(arguments, &entry);
                 for (; dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_DICT_ENTRY;
                      dbus_message_iter_next(&entry)) {
                   DBusMessageIter field;
                   dbus_message_iter_recurse(&entry, &field);
                   std::string key = basicString(&field);
                   dbus_message_iter_next(&field);
                   attributes[key] = basicString(&field);
                 }
               });
    batch.getProperty(path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "AccessibleId", [&node](DBusMessageIter* content) {
      if (dbus_message_iter_get_arg_type(content) == DBUS_TYPE_STRING) node.accessibleId = basicString(content);
    });
    sent += 2;
  }
  return sent;
}

// Asks for an object's frame and, where a walk reads them, its contents; the number of calls
// sent. A window's frame is left to be read when asked for: it is matched against the X frame
// of the moment, and windows move, shrink to icons and come back. Labels are asked for of what
// can be operated (an action, a value, editable text), where a walk looks for them.
size_t sendFrame(CallBatch& batch, const std::string& path, Node& node, dbus_int32_t textEnd) {
  if (!node.offers(ATSPI_DBUS_INTERFACE_COMPONENT) || isWindowRole(node.role) || node.hidden()) return 0;
  sendExtents(batch, path, node);
  const bool value = node.offers(ATSPI_DBUS_INTERFACE_VALUE);
  const bool control =
      value || node.offers(ATSPI_DBUS_INTERFACE_ACTION) || node.offers(ATSPI_DBUS_INTERFACE_EDITABLE_TEXT);
  return 1 + sendContents(batch, path, node, textEnd, node.offers(ATSPI_DBUS_INTERFACE_TEXT), value,
                          control && node.name.empty() && node.description.empty());
}

bool unframed(const std::optional<AtspiRect>& r) {
  return r && r->x == -1 && r->y == -1 && r->width == -1 && r->height == -1;
}

void readFrames(AtspiAccessible* root, Reading& reading) {
  {
    CallBatch batch(root);
    size_t sent = 0;
    for (auto& [path, node] : reading.nodes)
      if (sent < maxBatchedCalls) sent += sendFrame(batch, path, node, wholeTextEnd(root));
    batch.await();
  }
  if (!fetchesFramesLazily(root)) return;
  // Gecko answers a page's frames with nothing until it has them from the page's process, which
  // the first question starts: while a drawn page has no frame, its frameless objects are asked
  // again.
  const auto until = Clock::now() + lazyFramesLimit;
  while (Clock::now() < until) {
    std::vector<std::pair<const std::string*, Node*>> again;
    bool pageUnframed = false;
    for (auto& [path, node] : reading.nodes) {
      if (!unframed(node.extents)) continue;
      again.emplace_back(&path, &node);
      pageUnframed = pageUnframed || node.role == ATSPI_ROLE_DOCUMENT_WEB;
    }
    if (!pageUnframed) return;
    std::this_thread::sleep_for(lazyFramesInterval);
    CallBatch batch(root);
    for (auto& [path, node] : again) sendExtents(batch, *path, *node);
    batch.await();
  }
}

// What the cache gives of an object it does not hold; each answer that comes counts one in
// `answered`.
constexpr int askedFields = 4;
void askFields(CallBatch& batch, const std::string& path, Node& node, int& answered) {
  batch.send(batch.message(path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetRole", DBUS_TYPE_INVALID), "u",
             [&](DBusMessageIter* arguments) {
               dbus_uint32_t role = ATSPI_ROLE_INVALID;
               dbus_message_iter_get_basic(arguments, &role);
               node.role = static_cast<AtspiRole>(role);
               ++answered;
             });
  const char* interface = ATSPI_DBUS_INTERFACE_ACCESSIBLE;
  DBusMessage* all =
      batch.message(path, DBUS_INTERFACE_PROPERTIES, "GetAll", DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID);
  batch.send(all, "a{sv}", [&](DBusMessageIter* arguments) {
    bool counted = false;
    DBusMessageIter entry;
    dbus_message_iter_recurse(arguments, &entry);
    for (; dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&entry)) {
      DBusMessageIter field, content;
      dbus_message_iter_recurse(&entry, &field);
      const std::string key = basicString(&field);
      dbus_message_iter_next(&field);
      dbus_message_iter_recurse(&field, &content);
      if (key == "Name")
        node.name = basicString(&content);
      else if (key == "Description")
        node.description = basicString(&content);
      else if (key == "AccessibleId")
        node.accessibleId = basicString(&content);
      else if (key == "ChildCount" && dbus_message_iter_get_arg_type(&content) == DBUS_TYPE_INT32) {
        dbus_message_iter_get_basic(&content, &node.childCount);
        counted = true;
      }
    }
    if (counted) ++answered;
  });
  batch.send(batch.message(path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetInterfaces", DBUS_TYPE_INVALID), "as",
             [&](DBusMessageIter* arguments) {
               node.interfaces = interfaceNames(arguments);
               ++answered;
             });
  batch.send(batch.message(path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetState", DBUS_TYPE_INVALID), "au",
             [&](DBusMessageIter* arguments) {
               node.states = stateBits(arguments);
               ++answered;
             });
}

// The proxies of children by path. A view that manages its descendants keeps them out of the
// application's match, so then the parent's own match is asked for, once. None when a child
// stays unknown.
std::optional<std::vector<AtspiAccessible*>> proxiesOf(Reading& reading, const std::string& parent,
                                                       const std::vector<std::string>& paths) {
  std::vector<AtspiAccessible*> children;
  bool matched = false;
  for (const std::string& path : paths) {
    auto proxy = reading.proxies.find(path);
    if (proxy == reading.proxies.end() && !std::exchange(matched, true)) {
      auto own = reading.proxies.find(parent);
      if (own != reading.proxies.end() && matchDescendants(own->second, reading)) proxy = reading.proxies.find(path);
    }
    if (path.empty() || proxy == reading.proxies.end()) return std::nullopt;
    children.push_back(proxy->second);
  }
  return children;
}

// Completes the children the cache does not list in full (an application's windows, menus, the
// cells of a view that manages its descendants), level by level, each level in rounds of calls
// sent together: the child counts the cache does not give, every child's reference, what the
// cache would have said of the children the reading lacks, and their frames. A walk visits them all, so
// nothing is read that it would not ask for. Children that cannot be told this way are left to
// be read call by call.
void completeChildren(AtspiAccessible* root, Reading& reading) {
  constexpr int maxLevels = 8;
  std::vector<std::string> open;
  for (const auto& [path, node] : reading.nodes)
    if (!node.childrenKnown) open.push_back(path);
  for (int level = 0; level < maxLevels && !open.empty(); ++level) {
    CallBatch batch(root);
    for (const std::string& path : open) {
      Node& node = reading.nodes.at(path);
      if (node.childCount >= 0) continue;
      batch.getProperty(path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "ChildCount", [&node](DBusMessageIter* content) {
        if (dbus_message_iter_get_arg_type(content) == DBUS_TYPE_INT32)
          dbus_message_iter_get_basic(content, &node.childCount);
      });
    }
    batch.await();

    std::vector<std::vector<std::string>> paths(open.size());
    size_t sent = 0;
    for (size_t k = 0; k < open.size(); ++k) {
      const int count = reading.nodes.at(open[k]).childCount;
      if (count < 0 || sent + count > maxBatchedCalls) continue;
      paths[k].resize(count);
      for (dbus_int32_t i = 0; i < count; ++i) {
        DBusMessage* call = batch.message(open[k], ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetChildAtIndex", DBUS_TYPE_INT32,
                                          &i, DBUS_TYPE_INVALID);
        batch.send(call, "(so)",
                   [&paths, k, i](DBusMessageIter* arguments) { paths[k][i] = referencePath(arguments); });
      }
      sent += count;
    }
    batch.await();

    struct Added {
      std::string path;
      Node* node;
      int answered = 0;
    };
    std::vector<Added> added;
    added.reserve(maxBatchedCalls / askedFields);  // the answers count into it
    for (size_t k = 0; k < open.size(); ++k) {
      Node& node = reading.nodes.at(open[k]);
      if (node.childCount < 0 || paths[k].size() != static_cast<size_t>(node.childCount)) continue;
      auto children = proxiesOf(reading, open[k], paths[k]);
      if (!children) continue;
      for (AtspiAccessible* child : *children) {
        if (reading.nodes.count(pathOf(child)) || added.size() == added.capacity()) continue;
        auto it = reading.nodes.try_emplace(pathOf(child)).first;
        it->second.parent = open[k];
        it->second.shown = shownState(root);
        added.push_back({it->first, &it->second});
        askFields(batch, it->first, it->second, added.back().answered);
      }
      node.children = std::move(*children);
      node.childrenKnown = true;
    }
    batch.await();

    // What did not all come, and windows, whose states and frame change under a walk, are read
    // call by call.
    open.clear();
    for (const Added& child : added) {
      Node& node = *child.node;
      if (child.answered != askedFields || isWindowRole(node.role)) {
        reading.nodes.erase(child.path);
        continue;
      }
      sendFrame(batch, child.path, node, wholeTextEnd(root));
      node.childrenKnown = node.childCount == 0;
      if (!node.childrenKnown) open.push_back(child.path);
    }
    batch.await();
  }
}

Reading* current(AtspiAccessible* accessible, bool takeIfNone) {
  if (accessible == nullptr) return nullptr;
  AtspiApplication* app = ATSPI_OBJECT(accessible)->app;
  if (app == nullptr || app->bus_name == nullptr || !answering(accessible)) return nullptr;
  std::unique_ptr<Reading>& slot = readings()[app->bus_name];
  const auto now = Clock::now();
  if (slot && now - slot->taken < readingLifetime) return slot.get();
  slot.reset();
  if (!takeIfNone || app->bus == nullptr || app->root == nullptr || unreadable().count(app->bus_name)) return nullptr;
  auto reading = std::make_unique<Reading>();
  // The match first: it has the toolkit create the accessibles of everything, which the cache
  // lists only once they exist.
  if (!matchDescendants(app->root, *reading) || !readCache(app->root, *reading)) {
    if (answering(accessible)) unreadable().insert(app->bus_name);
    return nullptr;
  }
  linkChildren(*reading);
  readFrames(app->root, *reading);
  completeChildren(app->root, *reading);
  // Its lifetime starts once it is complete: a large tree takes longer to read than to walk.
  reading->taken = Clock::now();
  slot = std::move(reading);
  return slot.get();
}

}  // namespace

std::optional<std::vector<AtspiAccessible*>> readChildren(AtspiAccessible* accessible, bool takeIfNone) {
  Reading* reading = current(accessible, takeIfNone);
  if (reading == nullptr) return std::nullopt;
  auto it = reading->nodes.find(pathOf(accessible));
  if (it == reading->nodes.end() || !it->second.childrenKnown) return std::nullopt;
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
