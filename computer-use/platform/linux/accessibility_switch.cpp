#include "platform/linux/accessibility_switch.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <thread>

#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_tree.h"
#include "platform/linux/atspi_tree_reading.h"
#include "platform/linux/workspace_accessible_apps.h"
#include "platform/linux/x11.h"
#include "platform/linux/x_events_windows.h"

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

constexpr auto pollInterval = std::chrono::milliseconds(50);
constexpr auto touchInterval = std::chrono::milliseconds(300);
constexpr auto pageSettleInterval = std::chrono::milliseconds(150);
// Enough to reach the documents of a browser window (frame, panel, scroll pane, frame, page)
// and the objects of a large page, without walking a large application.
constexpr int documentSearchDepth = 8;
constexpr size_t documentSearchVisits = 4000;

// What the web documents drawn in the application's windows hold: their objects, those with a
// frame, and the characters of their names and texts. Firefox answers a frame or a text with
// nothing until it has fetched it from the page's process, which the first question starts.
struct PageLook {
  size_t objects = 0, framed = 0, characters = 0;
  bool operator==(const PageLook&) const = default;
};

bool hasArea(const AtspiRect* box) { return box != nullptr && box->width > 0 && box->height > 0; }

void lookAt(const AtspiElement& e, PageLook& look) {
  ++look.objects;
  if (const ReadObject* read = readObject(e.accessible())) {
    look.framed += hasArea(read->extents ? &*read->extents : nullptr);
    look.characters += read->name.size() + read->text.value_or("").size();
    return;
  }
  AtspiAccessible* a = e.accessible();
  AtspiRect* box = nullptr;
  if (AtspiComponent* c = atspi_accessible_get_component_iface(a)) {
    ask(a, [&](GError** err) { box = atspi_component_get_extents(c, ATSPI_COORD_TYPE_SCREEN, err); });
    g_object_unref(c);
  }
  look.framed += hasArea(box);
  g_free(box);
  gchar* name = nullptr;
  ask(a, [&](GError** err) { name = atspi_accessible_get_name(a, err); });
  look.characters += takeString(name).value_or("").size();
  if (AtspiText* t = atspi_accessible_get_text_iface(a)) {
    gint count = 0;
    ask(a, [&](GError** err) { count = atspi_text_get_character_count(t, err); });
    look.characters += static_cast<size_t>(std::max(count, 0));
    g_object_unref(t);
  }
}

// None while no such document is drawn or one is still loading. Read from one reading of the
// whole tree where the toolkit offers one (a few calls in all), else call by call.
std::optional<PageLook> lookAtPages(const AtspiElement& application) {
  std::deque<std::tuple<AXUIElement, int, bool>> pending;
  for (auto& child : children(application)) pending.emplace_back(child, 1, false);
  bool seen = false;
  PageLook look;
  for (size_t visits = 0; !pending.empty() && visits < documentSearchVisits; ++visits) {
    auto [handle, depth, inDocument] = pending.front();
    pending.pop_front();
    const AtspiElement& e = *atspiElement(handle);
    if (inDocument) {
      lookAt(e, look);
    } else {
      auto bits = states(e);
      if (!bits || !hasState(*bits, ATSPI_STATE_SHOWING)) continue;
      if (e.role() == ATSPI_ROLE_DOCUMENT_WEB) {
        if (hasState(*bits, ATSPI_STATE_BUSY)) return std::nullopt;
        seen = inDocument = true;
      } else if (depth >= documentSearchDepth) {
        continue;
      }
    }
    for (auto& child : children(e)) pending.emplace_back(child, depth + 1, inDocument);
  }
  if (!seen || look.framed == 0) return std::nullopt;
  return look;
}

// What a process joins the accessibility bus with when the switch is turned on while it runs,
// by the libraries it has loaded (/proc/PID/maps). Measured: Gecko joins then, and shows pages;
// Qt is on the bus from its start and may still wait to be switched on. GTK 2, 3 and 4 load
// their bridge at start or never, Chromium reads the switch only at start, and a process
// without a toolkit (xterm, Tk) has nothing to join with.
enum class LateJoiner { none, toolkit, browser };

LateJoiner lateJoiner(int32_t pid) {
  static const std::array<std::pair<std::string_view, LateJoiner>, 3> libraries = {{
      {"/libxul.so", LateJoiner::browser}, {"/libQt5Gui.so", LateJoiner::toolkit}, {"/libQt6Gui.so", LateJoiner::toolkit}}};
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  for (std::string line; std::getline(maps, line);)
    for (auto [library, joiner] : libraries)
      if (line.find(library) != std::string::npos) return joiner;
  return LateJoiner::none;
}

// Gecko builds its accessibility once one of its windows gains the focus after the switch was
// turned on: a window in the background stays off the bus. GTK is told of a focus change by
// synthetic events as well (sent to the client, event mask 0), so a focus gained and lost again
// that way has it join while the real focus stays where it is. The active window joins by
// itself, and must not be told that it lost the focus.
void touchFocus(int32_t pid) {
  Display* d = display();
  if (d == nullptr) return;
  const auto active = activeWindow();
  for (const ClientWindow& c : clientWindows()) {
    if (c.pid != pid || !c.viewable || c.id == active) continue;
    for (int type : {FocusIn, FocusOut}) {
      XEvent event{};
      event.xfocus = XFocusChangeEvent{type, 0, True, d, c.id, NotifyNormal, NotifyNonlinear};
      XSendEvent(d, c.id, False, NoEventMask, &event);
    }
  }
  XFlush(d);
}

std::optional<bool> sessionSwitchOn() {
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

}  // namespace

std::optional<bool> accessibilitySwitchOn(int32_t pid) {
  auto on = sessionSwitchOn();
  if (on && *on && lateJoiner(pid) == LateJoiner::browser) return false;
  return on;
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

bool awaitJoined(int32_t pid) {
  using clock = std::chrono::steady_clock;
  const LateJoiner joiner = lateJoiner(pid);
  if (joiner == LateJoiner::none) return false;
  const auto joinBy = clock::now() + switchJoinLimit;
  // Gecko may hear of the switch after a focus change it is told of: it is told again now and then.
  auto touchBy = clock::now();
  while (!AccessibleApplications(false).contains(pid)) {
    if (clock::now() >= joinBy) return false;
    if (joiner == LateJoiner::browser && clock::now() >= touchBy) {
      touchFocus(pid);
      touchBy = clock::now() + touchInterval;
    }
    std::this_thread::sleep_for(pollInterval);
  }
  AXUIElement application = wrap(findApplication(pid), pid);
  if (!application || joiner != LateJoiner::browser) return true;
  // A browser joins with its window first and builds the page's objects after.
  const auto builtBy = clock::now() + pageBuildLimit;
  // Built once two looks a moment apart find the same.
  std::optional<PageLook> last;
  for (;;) {
    // Each look asks afresh: nothing here follows the application's change signals.
    atspi_accessible_clear_cache(atspiElement(application)->accessible());
    forgetReadings();
    auto look = lookAtPages(*atspiElement(application));
    if ((look && look == last) || clock::now() >= builtBy) break;
    last = look;
    std::this_thread::sleep_for(pageSettleInterval);
  }
  return true;
}

}  // namespace platform::linux_desktop
