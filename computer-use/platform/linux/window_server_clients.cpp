#include "platform/linux/window_server_clients.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <glib.h>

#include <algorithm>
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
  if (!pid || pid->empty() || (*pid)[0] == 0 || (*pid)[0] > 0x7fffffff) return std::nullopt;
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
  if (auto name = stringProperty(window, atom("_NET_WM_NAME"), atom("UTF8_STRING")))
    return validUtf8(*name);
  Display* d = display();
  XTextProperty property{};
  if (d == nullptr || !XGetWMName(d, window, &property)) return std::nullopt;
  std::optional<std::string> title;
  char** list = nullptr;
  int count = 0;
  if (Xutf8TextPropertyToTextList(d, &property, &list, &count) >= Success && list && count > 0)
    title = validUtf8(list[0]);
  if (list) XFreeStringList(list);
  if (property.value) XFree(property.value);
  return title;
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
  bool hidden = false;
  if (auto states = cardinalProperty(window, atom("_NET_WM_STATE"), XA_ATOM))
    hidden = std::find(states->begin(), states->end(), atom("_NET_WM_STATE_HIDDEN")) != states->end();
  placement.onScreen = attributes.map_state == IsViewable && !hidden;
  return placement;
}

}  // namespace platform::linux_desktop
