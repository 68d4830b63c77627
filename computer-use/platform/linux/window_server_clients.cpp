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

void internWindowAtoms() {
  static const bool done = [] {
    std::vector<const char*> names = {"_NET_CLIENT_LIST_STACKING", "_NET_WM_PID", "_NET_WM_NAME",
                                      "UTF8_STRING", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                      "_NET_WM_STATE_HIDDEN", "_NET_FRAME_EXTENTS"};
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
std::optional<std::string> textProperty(Window window, Atom name) {
  Display* d = display();
  XTextProperty property{};
  if (d == nullptr || !XGetTextProperty(d, window, &property, name)) return std::nullopt;
  std::optional<std::string> text;
  const char* bytes = reinterpret_cast<const char*>(property.value);
  // A NUL separates the elements of a text list; a title is the first.
  const size_t length = bytes ? strnlen(bytes, property.nitems) : 0;
  if (property.format == 8 && bytes && property.encoding == atom("UTF8_STRING")) {
    text = validUtf8(std::string(bytes, length));
  } else if (property.format == 8 && bytes && property.encoding == XA_STRING) {
    // xdotool and some scripts store UTF-8 bytes as STRING; real Latin-1 text other than ASCII
    // is almost never valid UTF-8.
    if (g_utf8_validate(bytes, static_cast<gssize>(length), nullptr))
      text.emplace(bytes, length);
    else
      text = latin1ToUtf8(property.value, length);
  } else {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(d, &property, &list, &count) >= Success && list && count > 0)
      text = validUtf8(list[0]);
    if (list) XFreeStringList(list);
  }
  if (property.value) XFree(property.value);
  return text;
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

std::optional<std::vector<Window>> clientWindowsFrontToBack() {
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  internWindowAtoms();
  auto stacking = cardinalProperty(DefaultRootWindow(d), atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  if (!stacking) return std::nullopt;
  std::vector<Window> windows(stacking->rbegin(), stacking->rend());
  return windows;
}

std::optional<int32_t> windowPid(Window window) {
  internWindowAtoms();
  auto pid = cardinalProperty(window, atom("_NET_WM_PID"), XA_CARDINAL);
  if (!pid || pid->empty() || (*pid)[0] == 0 || (*pid)[0] > 0x7fffffff) return clientPid(window);
  return static_cast<int32_t>((*pid)[0]);
}

int windowLayer(Window window) {
  internWindowAtoms();
  if (auto types = cardinalProperty(window, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM)) {
    for (unsigned long type : *types)
      for (const auto& [name, layer] : windowTypeLayers)
        if (type == atom(name)) return layer;
  }
  // Untyped managed windows are normal windows, or dialogs when transient: both layer 0.
  return WindowLayer::normal;
}

std::optional<std::string> windowTitle(Window window) {
  internWindowAtoms();
  if (auto name = textProperty(window, atom("_NET_WM_NAME"))) return name;
  return textProperty(window, XA_WM_NAME);
}

std::optional<WindowClass> windowClass(Window window) {
  Display* d = display();
  XClassHint hint{};
  if (d == nullptr || !XGetClassHint(d, window, &hint)) return std::nullopt;
  WindowClass result{validUtf8(hint.res_name ? hint.res_name : ""),
                     validUtf8(hint.res_class ? hint.res_class : "")};
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return result;
}

std::optional<WindowPlacement> windowPlacement(Window window) {
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  internWindowAtoms();
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(d, window, &attributes)) return std::nullopt;
  int rootX = 0, rootY = 0;
  Window child = None;
  if (!XTranslateCoordinates(d, window, attributes.root, 0, 0, &rootX, &rootY, &child))
    return std::nullopt;
  double left = 0, right = 0, top = 0, bottom = 0;
  if (auto extents = cardinalProperty(window, atom("_NET_FRAME_EXTENTS"), XA_CARDINAL);
      extents && extents->size() >= 4) {
    left = static_cast<double>((*extents)[0]);
    right = static_cast<double>((*extents)[1]);
    top = static_cast<double>((*extents)[2]);
    bottom = static_cast<double>((*extents)[3]);
  }
  WindowPlacement placement;
  placement.frame = Rect{{rootX - left, rootY - top},
                         {attributes.width + left + right, attributes.height + top + bottom}};
  placement.onScreen = attributes.map_state == IsViewable && !isMinimised(window);
  return placement;
}

bool isMinimised(Window window) {
  internWindowAtoms();
  auto states = cardinalProperty(window, atom("_NET_WM_STATE"), XA_ATOM);
  return states && std::find(states->begin(), states->end(), atom("_NET_WM_STATE_HIDDEN")) != states->end();
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
