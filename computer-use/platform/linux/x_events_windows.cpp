#include "platform/linux/x_events_windows.h"

#include <X11/Xatom.h>

#include <map>

#include "platform/linux/window_server_clients.h"
#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

std::map<int32_t, Window>& keyWindows() {
  static std::map<int32_t, Window> windows;
  return windows;
}

std::optional<ClientWindow> describe(Display* d, Window id) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(d, id, &attributes)) return std::nullopt;
  int x = 0, y = 0;
  Window child;
  if (!XTranslateCoordinates(d, id, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return std::nullopt;
  ClientWindow w;
  w.id = id;
  w.viewable = attributes.map_state == IsViewable;
  w.client = {{double(x), double(y)}, {double(attributes.width), double(attributes.height)}};
  w.frame = w.client;
  auto extents = cardinalProperty(id, atom("_NET_FRAME_EXTENTS"), XA_CARDINAL);
  if (extents && extents->size() == 4) {
    double left = double((*extents)[0]), right = double((*extents)[1]);
    double top = double((*extents)[2]), bottom = double((*extents)[3]);
    w.frame = {{w.client.origin.x - left, w.client.origin.y - top},
               {w.client.size.width + left + right, w.client.size.height + top + bottom}};
  }
  w.pid = windowPid(id).value_or(0);
  w.title = windowTitle(id).value_or("");
  return w;
}

bool sendToWindowManager(Window window, Atom type, const long (&data)[5]) {
  return checked([&](Display* d) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
  });
}

}  // namespace

std::vector<ClientWindow> clientWindows() {
  std::vector<ClientWindow> result;
  Display* d = display();
  if (d == nullptr) return result;
  auto ids = cardinalProperty(DefaultRootWindow(d), atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  if (!ids) return result;
  for (unsigned long id : *ids) {
    if (auto w = describe(d, static_cast<Window>(id))) result.push_back(*w);
  }
  takeError();  // a window that vanished during the query is simply left out
  return result;
}

std::optional<ClientWindow> clientWindow(Window id) {
  for (const auto& w : clientWindows())
    if (w.id == id) return w;
  return std::nullopt;
}

std::optional<Window> activeWindow() {
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  auto ids = cardinalProperty(DefaultRootWindow(d), atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
  if (!ids || ids->empty() || (*ids)[0] == None) return std::nullopt;
  return static_cast<Window>((*ids)[0]);
}

bool activateWindow(Window window) {
  // A window on another desktop is not activated there: the user is taken to its desktop, as
  // activating it would on a system of Spaces.
  if (auto desktop = otherDesktop(window))
    sendToWindowManager(DefaultRootWindow(display()), atom("_NET_CURRENT_DESKTOP"),
                        {static_cast<long>(*desktop), CurrentTime, 0, 0, 0});
  // Source 2: a pager acting for the user, which window managers obey without focus
  // stealing prevention.
  return sendToWindowManager(window, atom("_NET_ACTIVE_WINDOW"), {2, CurrentTime, 0, 0, 0});
}

bool raiseWindow(Window window) {
  return sendToWindowManager(window, atom("_NET_RESTACK_WINDOW"), {2, None, Above, 0, 0});
}

void setKeyWindow(int32_t pid, Window window) { keyWindows()[pid] = window; }

std::optional<Window> keyWindow(int32_t pid) {
  auto it = keyWindows().find(pid);
  if (it == keyWindows().end()) return std::nullopt;
  return it->second;
}

std::optional<ClientWindow> keyTarget(int32_t pid) {
  auto windows = clientWindows();
  auto key = keyWindows().find(pid);
  std::optional<ClientWindow> topmost, topmostViewable;
  for (const auto& w : windows) {
    if (w.pid != pid) continue;
    if (key != keyWindows().end() && key->second == w.id) return w;
    topmost = w;
    if (w.viewable) topmostViewable = w;
  }
  return topmostViewable ? topmostViewable : topmost;
}

}  // namespace platform::linux_desktop
