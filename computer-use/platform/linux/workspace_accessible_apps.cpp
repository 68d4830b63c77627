#include "platform/linux/workspace_accessible_apps.h"

#include <dbus/dbus.h>

#include <vector>

#include "platform/linux/atspi_call_batch.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/window_server_clients.h"

namespace platform::linux_desktop {
namespace {

// Sends every call at once and then collects the answers, so that N calls cost one round trip
// (or one time limit, however many peers hang) instead of N. Takes the calls (null ones are
// skipped); an answer is null when the call failed, timed out or there is no bus.
std::vector<DBusMessage*> callAll(DBusConnection* bus, const std::vector<DBusMessage*>& calls) {
  std::vector<DBusPendingCall*> pending(calls.size(), nullptr);
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i] == nullptr) continue;
    if (bus != nullptr) dbus_connection_send_with_reply(bus, calls[i], &pending[i], atspiCallLimitMs);
    dbus_message_unref(calls[i]);
  }
  std::vector<DBusMessage*> replies;
  awaitReplies(pending, replies);
  for (DBusMessage*& reply : replies)
    if (reply != nullptr && dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN) {
      dbus_message_unref(reply);
      reply = nullptr;
    }
  return replies;
}

// A method call with string arguments, or null.
DBusMessage* methodCall(const char* destination, const char* path, const char* interface,
                        const char* method, std::vector<const char*> arguments) {
  if (destination == nullptr || path == nullptr) return nullptr;
  DBusMessage* call = dbus_message_new_method_call(destination, path, interface, method);
  if (call == nullptr) return nullptr;
  for (const char*& argument : arguments) {
    if (!dbus_message_append_args(call, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID)) {
      dbus_message_unref(call);
      return nullptr;
    }
  }
  return call;
}

uint32_t processIdOf(DBusMessage* reply) {
  dbus_uint32_t pid = 0;
  if (reply != nullptr) dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &pid, DBUS_TYPE_INVALID);
  return pid;
}

// The string inside a Properties.Get answer's variant.
std::string variantString(DBusMessage* reply) {
  DBusMessageIter it, variant;
  if (reply == nullptr || !dbus_message_iter_init(reply, &it) ||
      dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT)
    return "";
  dbus_message_iter_recurse(&it, &variant);
  if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_STRING) return "";
  const char* text = nullptr;
  dbus_message_iter_get_basic(&variant, &text);
  return validUtf8(text ? text : "");
}

void release(std::vector<DBusMessage*>& replies) {
  for (DBusMessage* reply : replies)
    if (reply != nullptr) dbus_message_unref(reply);
}

}  // namespace

AccessibleApplications::AccessibleApplications(bool readNames) {
  if (!atspiReady()) return;
  DBusConnection* bus = atspi_get_a11y_bus();
  std::vector<DBusMessage*> listing =
      callAll(bus, {methodCall("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
                               "org.a11y.atspi.Accessible", "GetChildren", {})});
  // The registry's children: (bus name, path) of each application's root.
  std::vector<std::pair<std::string, std::string>> children;
  DBusMessageIter top, list;
  if (listing[0] != nullptr && dbus_message_has_signature(listing[0], "a(so)") &&
      dbus_message_iter_init(listing[0], &top)) {
    dbus_message_iter_recurse(&top, &list);
    for (; dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&list)) {
      DBusMessageIter field;
      const char* busName = nullptr;
      const char* path = nullptr;
      dbus_message_iter_recurse(&list, &field);
      dbus_message_iter_get_basic(&field, &busName);
      dbus_message_iter_next(&field);
      dbus_message_iter_get_basic(&field, &path);
      children.emplace_back(busName, path);
    }
  }
  release(listing);
  std::vector<DBusMessage*> calls;
  for (const auto& [busName, path] : children) {
    calls.push_back(methodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "GetConnectionUnixProcessID", {busName.c_str()}));
    calls.push_back(readNames ? methodCall(busName.c_str(), path.c_str(), "org.freedesktop.DBus.Properties", "Get",
                                           {"org.a11y.atspi.Accessible", "Name"})
                              : nullptr);
  }
  std::vector<DBusMessage*> replies = callAll(bus, calls);
  for (size_t i = 0; i < children.size(); ++i) {
    const uint32_t pid = processIdOf(replies[2 * i]);
    if (pid > 0 && pid <= 0x7fffffff)
      apps_.emplace(static_cast<int32_t>(pid),
                    Registered{children[i].first, static_cast<int>(i), variantString(replies[2 * i + 1])});
  }
  release(replies);
}

std::string AccessibleApplications::name(int32_t pid) const {
  auto known = apps_.find(pid);
  return known == apps_.end() ? "" : known->second.name;
}

AtspiAccessible* AccessibleApplications::root(int32_t pid) const {
  auto known = apps_.find(pid);
  if (known == apps_.end()) return nullptr;
  AtspiAccessible* desktop = atspi_get_desktop(0);
  if (desktop == nullptr) return nullptr;
  const Registered& wanted = known->second;
  auto childAt = [&](gint index) -> AtspiAccessible* {
    AtspiAccessible* app = nullptr;
    ask(desktop, [&](GError** e) { app = atspi_accessible_get_child_at_index(desktop, index, e); });
    const AtspiApplication* owner = app != nullptr ? ATSPI_OBJECT(app)->app : nullptr;
    if (owner != nullptr && owner->bus_name != nullptr && wanted.busName == owner->bus_name) return app;
    if (app != nullptr) g_object_unref(app);
    return nullptr;
  };
  AtspiAccessible* found = childAt(wanted.index);
  // An application that came or went since the listing moves the others along.
  gint count = 0;
  if (found == nullptr) ask(desktop, [&](GError** e) { count = atspi_accessible_get_child_count(desktop, e); });
  for (gint i = 0; found == nullptr && i < count; ++i) found = childAt(i);
  g_object_unref(desktop);
  return found;
}

}  // namespace platform::linux_desktop
