#include "platform/linux/accessibility_switch.h"

#include <dbus/dbus.h>

#include <cstdlib>
#include <memory>

#include "platform/linux/atspi_element.h"

namespace platform::linux_desktop {
namespace {

constexpr const char* launcher = "org.a11y.Bus";
constexpr const char* launcherPath = "/org/a11y/bus";
constexpr const char* statusInterface = "org.a11y.Status";
constexpr const char* enabledProperty = "IsEnabled";

struct ConnectionCloser {
  void operator()(DBusConnection* c) const {
    dbus_connection_close(c);
    dbus_connection_unref(c);
  }
};
struct MessageUnref {
  void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// A private connection, so that closing it leaves libatspi's shared one alone.
std::unique_ptr<DBusConnection, ConnectionCloser> sessionBus() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') return nullptr;
  DBusConnection* c = dbus_bus_get_private(DBUS_BUS_SESSION, nullptr);
  if (c != nullptr) dbus_connection_set_exit_on_disconnect(c, FALSE);
  return std::unique_ptr<DBusConnection, ConnectionCloser>(c);
}

Message call(DBusMessage* request) {
  Message owned(request);
  auto bus = sessionBus();
  if (!bus || !request) return nullptr;
  return Message(dbus_connection_send_with_reply_and_block(bus.get(), request, atspiCallLimitMs, nullptr));
}

Message propertiesCall(const char* method) {
  return Message(dbus_message_new_method_call(launcher, launcherPath, "org.freedesktop.DBus.Properties", method));
}

}  // namespace

std::optional<bool> accessibilitySwitchOn() {
  Message request = propertiesCall("Get");
  if (!request) return std::nullopt;
  const char* iface = statusInterface;
  const char* property = enabledProperty;
  dbus_message_append_args(request.get(), DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID);
  Message reply = call(request.release());
  DBusMessageIter top, variant;
  if (!reply || !dbus_message_iter_init(reply.get(), &top) || dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_VARIANT)
    return std::nullopt;
  dbus_message_iter_recurse(&top, &variant);
  if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_BOOLEAN) return std::nullopt;
  dbus_bool_t on = FALSE;
  dbus_message_iter_get_basic(&variant, &on);
  return on != FALSE;
}

bool turnAccessibilitySwitchOn() {
  Message request = propertiesCall("Set");
  if (!request) return false;
  const char* iface = statusInterface;
  const char* property = enabledProperty;
  dbus_bool_t on = TRUE;
  DBusMessageIter top, variant;
  dbus_message_iter_init_append(request.get(), &top);
  if (!dbus_message_iter_append_basic(&top, DBUS_TYPE_STRING, &iface) ||
      !dbus_message_iter_append_basic(&top, DBUS_TYPE_STRING, &property) ||
      !dbus_message_iter_open_container(&top, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant))
    return false;
  if (!dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &on) ||
      !dbus_message_iter_close_container(&top, &variant))
    return false;
  Message reply = call(request.release());
  return reply && dbus_message_get_type(reply.get()) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
}

}  // namespace platform::linux_desktop
