#include "platform/linux/window_server_clients.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <glib.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

// _NET_WM_WINDOW_TYPE values and their layers; the first type a window lists that is known
// here decides, as EWMH asks.
const std::pair<const char*, int> windowTypeLayers[] = {
    {"_NET_WM_WINDOW_TYPE_NORMAL", WindowLayer::normal},
    {"_NET_WM_WINDOW_TYPE_DIALOG", WindowLayer::normal},
    {"_NET_WM_WINDOW_TYPE_DESKTOP", WindowLayer::desktop},
    {"_NET_WM_WINDOW_TYPE_DOCK", WindowLayer::dock},
    {"_NET_WM_WINDOW_TYPE_TOOLBAR", WindowLayer::floating},
    {"_NET_WM_WINDOW_TYPE_MENU", WindowLayer::floating},
    {"_NET_WM_WINDOW_TYPE_UTILITY", WindowLayer::floating},
    {"_NET_WM_WINDOW_TYPE_SPLASH", WindowLayer::floating},
    {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", WindowLayer::popUpMenu},
    {"_NET_WM_WINDOW_TYPE_POPUP_MENU", WindowLayer::popUpMenu},
    {"_NET_WM_WINDOW_TYPE_COMBO", WindowLayer::popUpMenu},
    {"_NET_WM_WINDOW_TYPE_TOOLTIP", WindowLayer::overlay},
    {"_NET_WM_WINDOW_TYPE_NOTIFICATION", WindowLayer::overlay},
    {"_NET_WM_WINDOW_TYPE_DND", WindowLayer::overlay},
};

// Property lengths in 32-bit units, as XGetTextProperty and XGetClassHint ask.
constexpr uint32_t titleLength = 1'000'000;
constexpr uint32_t classLength = 8192;

void internWindowAtoms() {
  static const bool done = [] {
    std::vector<const char*> names = {"_NET_CLIENT_LIST_STACKING", "_NET_ACTIVE_WINDOW", "_NET_WM_PID",
                                      "_NET_WM_NAME", "UTF8_STRING", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                      "_NET_WM_STATE_HIDDEN", "_NET_FRAME_EXTENTS",
                                      "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"};
    for (const auto& [name, layer] : windowTypeLayers) names.push_back(name);
    internAtoms(names);
    return true;
  }();
  (void)done;
}

// Latin-1, the encoding of a STRING property, as UTF-8.
std::string latin1ToUtf8(const unsigned char* bytes, unsigned long length) {
  std::string text;
  text.reserve(length * 2);
  for (unsigned long i = 0; i < length; ++i) {
    const unsigned char c = bytes[i];
    if (c < 0x80) {
      text.push_back(static_cast<char>(c));
    } else {
      text.push_back(static_cast<char>(0xC0 | (c >> 6)));
      text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return text;
}

// A text property in whatever encoding its type names (UTF8_STRING, STRING, COMPOUND_TEXT), as
// UTF-8; none when the window lacks it or it cannot be converted. Only COMPOUND_TEXT goes through
// Xlib's conversion: it loads the locale database, a fifth of a listing run's instructions.
std::optional<std::string> textOf(const std::optional<PropertyData>& property) {
  Display* d = display();
  if (d == nullptr || !property) return std::nullopt;
  const char* bytes = property->bytes.c_str();
  // A NUL separates the elements of a text list; a title is the first.
  const size_t length = strnlen(bytes, property->bytes.size());
  if (property->format == 8 && property->type == atom("UTF8_STRING")) return validUtf8(std::string(bytes, length));
  if (property->format == 8 && property->type == XA_STRING) {
    // xdotool and some scripts store UTF-8 bytes as STRING; real Latin-1 text other than ASCII
    // is almost never valid UTF-8.
    if (g_utf8_validate(bytes, static_cast<gssize>(length), nullptr)) return std::string(bytes, length);
    return latin1ToUtf8(reinterpret_cast<const unsigned char*>(bytes), length);
  }
  XTextProperty text{reinterpret_cast<unsigned char*>(const_cast<char*>(bytes)), property->type, property->format,
                     property->bytes.size() / static_cast<size_t>(property->format / 8)};
  std::optional<std::string> result;
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(d, &text, &list, &count) >= Success && list && count > 0)
    result = validUtf8(list[0]);
  if (list) XFreeStringList(list);
  return result;
}

// The title properties, in the order that decides.
struct TitleCookies {
  xcb_get_property_cookie_t netName, name;
};
TitleCookies requestTitle(Window window) {
  return {requestProperty(window, atom("_NET_WM_NAME"), AnyPropertyType, titleLength),
          requestProperty(window, XA_WM_NAME, AnyPropertyType, titleLength)};
}
std::optional<std::string> titleReply(const TitleCookies& cookies) {
  auto netName = textOf(propertyReply(cookies.netName));
  auto name = textOf(propertyReply(cookies.name));
  return netName ? netName : name;
}

std::optional<int32_t> pidOf(const std::optional<std::vector<unsigned long>>& pid) {
  if (!pid || pid->empty() || (*pid)[0] == 0 || (*pid)[0] > 0x7fffffff) return std::nullopt;
  return static_cast<int32_t>((*pid)[0]);
}

int layerOf(const std::optional<std::vector<unsigned long>>& types) {
  if (types) {
    for (unsigned long type : *types)
      for (const auto& [name, layer] : windowTypeLayers)
        if (type == atom(name)) return layer;
  }
  // Untyped managed windows are normal windows, or dialogs when transient: both layer 0.
  return WindowLayer::normal;
}

// WM_CLASS read as XGetClassHint reads it: the instance up to the first NUL, the class up to
// the next.
std::optional<WindowClass> classOf(const std::optional<PropertyData>& property) {
  if (!property || property->type != XA_STRING || property->format != 8) return std::nullopt;
  const char* data = property->bytes.c_str();
  const size_t instanceLength = strlen(data);
  const char* className = data + std::min(instanceLength + 1, property->bytes.size());
  return WindowClass{validUtf8(std::string(data, instanceLength)), validUtf8(className)};
}

std::string utf8TextOf(const std::optional<PropertyData>& property) {
  return property && property->format == 8 && !property->bytes.empty() ? validUtf8(property->bytes) : "";
}

bool hiddenIn(const std::optional<std::vector<unsigned long>>& states) {
  return states && std::find(states->begin(), states->end(), atom("_NET_WM_STATE_HIDDEN")) != states->end();
}

// The requests for what managedWindows reads of a window.
struct WindowCookies {
  xcb_get_property_cookie_t pid{}, type{}, extents{}, state{}, wmClass{}, applicationId{}, kdeDesktopFile{};
  TitleCookies title{};
  xcb_get_window_attributes_cookie_t attributes{};
  xcb_get_geometry_cookie_t geometry{};
  xcb_translate_coordinates_cookie_t origin{};
};

std::vector<WindowCookies> requestWindows(const std::vector<Window>& windows, bool withPlacements,
                                          xcb_window_t root) {
  xcb_connection_t* c = connection();
  std::vector<WindowCookies> cookies;
  for (Window window : windows) {
    WindowCookies& k = cookies.emplace_back();
    k.pid = requestProperty(window, atom("_NET_WM_PID"), XA_CARDINAL);
    k.type = requestProperty(window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM);
    if (!withPlacements) {
      k.wmClass = requestProperty(window, XA_WM_CLASS, XA_STRING, classLength);
      k.applicationId = requestProperty(window, atom("_GTK_APPLICATION_ID"), atom("UTF8_STRING"));
      k.kdeDesktopFile = requestProperty(window, atom("_KDE_NET_WM_DESKTOP_FILE"), atom("UTF8_STRING"));
      continue;
    }
    const auto w = static_cast<xcb_window_t>(window);
    k.attributes = xcb_get_window_attributes(c, w);
    k.geometry = xcb_get_geometry(c, w);
    // Managed windows belong to the root whose client list names them.
    k.origin = xcb_translate_coordinates(c, w, root, 0, 0);
    k.extents = requestProperty(window, atom("_NET_FRAME_EXTENTS"), XA_CARDINAL);
    k.state = requestProperty(window, atom("_NET_WM_STATE"), XA_ATOM);
    k.title = requestTitle(window);
  }
  return cookies;
}

void discard(const WindowCookies& k) {
  xcb_connection_t* c = connection();
  for (unsigned int sequence :
       {k.pid.sequence, k.type.sequence, k.extents.sequence, k.state.sequence, k.wmClass.sequence,
        k.applicationId.sequence, k.kdeDesktopFile.sequence, k.title.netName.sequence, k.title.name.sequence,
        k.attributes.sequence, k.geometry.sequence, k.origin.sequence})
    if (sequence != 0) xcb_discard_reply(c, sequence);
}

ManagedWindow readWindow(Window window, const WindowCookies& k, bool withPlacements, xcb_window_t root) {
  xcb_connection_t* c = connection();
  ManagedWindow client;
  client.window = window;
  client.pid = pidOf(cardinalItems(propertyReply(k.pid)));
  client.layer = layerOf(cardinalItems(propertyReply(k.type)));
  if (!withPlacements) {
    client.wmClass = classOf(propertyReply(k.wmClass));
    client.applicationId = utf8TextOf(propertyReply(k.applicationId));
    client.kdeDesktopFile = utf8TextOf(propertyReply(k.kdeDesktopFile));
    return client;
  }
  xcb_generic_error_t* error = nullptr;
  auto attributes = answer(xcb_get_window_attributes_reply(c, k.attributes, &error), error);
  auto geometry = answer(xcb_get_geometry_reply(c, k.geometry, &error), error);
  auto origin = answer(xcb_translate_coordinates_reply(c, k.origin, &error), error);
  auto extents = cardinalItems(propertyReply(k.extents));
  const bool hidden = hiddenIn(cardinalItems(propertyReply(k.state)));
  client.title = titleReply(k.title);
  if (!attributes || !geometry || !origin || !origin->same_screen || geometry->root != root) return client;
  double left = 0, right = 0, top = 0, bottom = 0;
  if (extents && extents->size() >= 4) {
    left = static_cast<double>((*extents)[0]);
    right = static_cast<double>((*extents)[1]);
    top = static_cast<double>((*extents)[2]);
    bottom = static_cast<double>((*extents)[3]);
  }
  WindowPlacement& placement = client.placement.emplace();
  placement.frame = Rect{{origin->dst_x - left, origin->dst_y - top},
                         {geometry->width + left + right, geometry->height + top + bottom}};
  placement.onScreen = attributes->map_state == XCB_MAP_STATE_VIEWABLE && !hidden;
  return client;
}

// The process of the X client that created the window, as the server knows it (Tk and plain X
// toolkits set no _NET_WM_PID); none without the X-Resource extension or for remote clients.
std::optional<int32_t> clientPid(Window window) {
  Display* d = display();
  static const bool available = [d] {
    int event = 0, error = 0;
    return d != nullptr && XResQueryExtension(d, &event, &error);
  }();
  if (!available) return std::nullopt;
  XResClientIdSpec query{window, XRES_CLIENT_ID_PID_MASK};
  long count = 0;
  XResClientIdValue* ids = nullptr;
  std::optional<int32_t> pid;
  if (checked([&](Display* dd) { XResQueryClientIds(dd, 1, &query, &count, &ids); })) {
    for (long i = 0; i < count && !pid; ++i)
      if (XResGetClientIdType(&ids[i]) == XRES_CLIENT_ID_PID) {
        const pid_t found = XResGetClientPid(&ids[i]);
        if (found > 0) pid = static_cast<int32_t>(found);
      }
  }
  if (ids) XResClientIdsDestroy(count, ids);
  return pid;
}

}  // namespace

std::string validUtf8(const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result = valid;
  g_free(valid);
  return result;
}

std::optional<int32_t> windowPid(Window window) {
  internWindowAtoms();
  if (auto pid = pidOf(cardinalProperty(window, atom("_NET_WM_PID"), XA_CARDINAL))) return pid;
  return clientPid(window);
}

int windowLayer(Window window) {
  internWindowAtoms();
  return layerOf(cardinalProperty(window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM));
}

std::optional<std::string> windowTitle(Window window) {
  internWindowAtoms();
  return titleReply(requestTitle(window));
}

std::optional<ManagedWindows> managedWindows(bool withPlacements) {
  Display* d = display();
  xcb_connection_t* c = connection();
  if (d == nullptr || c == nullptr) return std::nullopt;
  internWindowAtoms();
  const xcb_window_t root = static_cast<xcb_window_t>(DefaultRootWindow(d));
  // The windows of the previous list are asked about along with the list: when it has not
  // changed since, as between the lookups of one run, their answers take no round trip more.
  static std::vector<Window> previous;
  const auto stackingCookie = requestProperty(root, atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  const auto activeCookie = requestProperty(root, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
  std::vector<WindowCookies> cookies = requestWindows(previous, withPlacements, root);
  const auto stacking = cardinalItems(propertyReply(stackingCookie));
  const auto active = cardinalItems(propertyReply(activeCookie));
  const std::vector<Window> clients =
      stacking ? std::vector<Window>(stacking->rbegin(), stacking->rend()) : std::vector<Window>{};
  if (!stacking || clients != previous) {
    for (const WindowCookies& k : cookies) discard(k);
    cookies = requestWindows(clients, withPlacements, root);
    previous = clients;
  }
  if (!stacking) return std::nullopt;
  ManagedWindows result;
  if (active && !active->empty()) result.active = (*active)[0];
  for (size_t i = 0; i < clients.size(); ++i)
    result.windows.push_back(readWindow(clients[i], cookies[i], withPlacements, root));
  // Tk and plain X toolkits set no _NET_WM_PID.
  for (ManagedWindow& client : result.windows)
    if (!client.pid) client.pid = clientPid(client.window);
  return result;
}

bool isMinimised(Window window) {
  internWindowAtoms();
  return hiddenIn(cardinalProperty(window, atom("_NET_WM_STATE"), XA_ATOM));
}

std::optional<unsigned long> otherDesktop(Window window) {
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  auto desktop = cardinalProperty(window, atom("_NET_WM_DESKTOP"), XA_CARDINAL);
  auto current = cardinalProperty(DefaultRootWindow(d), atom("_NET_CURRENT_DESKTOP"), XA_CARDINAL);
  constexpr unsigned long allDesktops = 0xFFFFFFFF;
  if (!desktop || !current || desktop->empty() || current->empty() || desktop->front() == allDesktops ||
      desktop->front() == current->front())
    return std::nullopt;
  return desktop->front();
}

}  // namespace platform::linux_desktop
