#include "platform/linux/x_events_windows.h"

#include <X11/Xatom.h>

#include <algorithm>
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
  // Left, right, top, bottom: how far a rectangle reaches beyond the client's sides.
  auto grown = [&](const char* property) {
    auto sides = cardinalProperty(id, atom(property), XA_CARDINAL);
    if (!sides || sides->size() != 4) return w.client;
    const double left = double((*sides)[0]), right = double((*sides)[1]);
    const double top = double((*sides)[2]), bottom = double((*sides)[3]);
    return Rect{{w.client.origin.x - left, w.client.origin.y - top},
                {w.client.size.width + left + right, w.client.size.height + top + bottom}};
  };
  w.frame = grown("_NET_FRAME_EXTENTS");
  // The toolkit's shadow lies inside the client: the content is the client shrunk by it.
  const Rect shadow = grown("_GTK_FRAME_EXTENTS");
  w.content = {{2 * w.client.origin.x - shadow.origin.x, 2 * w.client.origin.y - shadow.origin.y},
               {2 * w.client.size.width - shadow.size.width, 2 * w.client.size.height - shadow.size.height}};
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
  // Only the one window is described: typing asks for it with every key.
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  auto ids = cardinalProperty(DefaultRootWindow(d), atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  if (!ids || std::find(ids->begin(), ids->end(), id) == ids->end()) return std::nullopt;
  auto w = describe(d, id);
  takeError();
  return w;
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

std::optional<Window> keyTargetWindow(int32_t pid) {
  // Typing asks with every key: the candidates are checked, not described.
  Display* d = display();
  if (d == nullptr) return std::nullopt;
  auto ids = cardinalProperty(DefaultRootWindow(d), atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  if (!ids) return std::nullopt;
  auto ofProcess = [&](Window w) { return windowPid(w) == pid; };
  std::optional<Window> found;
  auto key = keyWindows().find(pid);
  if (key != keyWindows().end() && std::find(ids->begin(), ids->end(), key->second) != ids->end() &&
      ofProcess(key->second)) {
    found = key->second;
  } else {
    std::optional<Window> topmost;
    for (auto it = ids->rbegin(); it != ids->rend() && !found; ++it) {
      XWindowAttributes attributes;
      if (!ofProcess(*it) || !XGetWindowAttributes(d, *it, &attributes)) continue;
      if (!topmost) topmost = *it;
      if (attributes.map_state == IsViewable) found = *it;
    }
    if (!found) found = topmost;
  }
  takeError();  // a window that vanished during the query is simply left out
  return found;
}

std::optional<ClientWindow> keyTarget(int32_t pid) {
  auto window = keyTargetWindow(pid);
  return window ? clientWindow(*window) : std::nullopt;
}

}  // namespace platform::linux_desktop
