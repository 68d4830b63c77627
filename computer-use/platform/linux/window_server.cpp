// The window list from the window manager's managed clients (EWMH).

#include "platform/linux/backends.h"
#include "platform/linux/desktop_entries.h"
#include "platform/linux/window_server_clients.h"
#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

class LinuxWindowServer : public WindowServer {
 public:
  // The reference window is not used: every caller asks for the whole list.
  std::optional<Value> copyWindowInfo(uint32_t options, uint32_t) override {
    auto clients = managedWindows(true);
    if (!clients) return std::nullopt;
    Array list;
    for (const ManagedWindow& client : clients->windows) {
      // A window that is gone has no placement and is left out.
      if (!client.placement) continue;
      const WindowPlacement& placement = *client.placement;
      if ((options & WindowListOption::onScreenOnly) && !placement.onScreen) continue;
      if ((options & WindowListOption::excludeDesktopElements) && client.layer == WindowLayer::desktop)
        continue;
      const Rect& f = placement.frame;
      Dictionary entry{
          {WindowKey::layer, client.layer},
          {WindowKey::number, static_cast<uint32_t>(client.window)},
          {WindowKey::bounds, Dictionary{{BoundsKey::x, f.origin.x},
                                         {BoundsKey::y, f.origin.y},
                                         {BoundsKey::width, f.size.width},
                                         {BoundsKey::height, f.size.height}}},
          {WindowKey::isOnscreen, placement.onScreen},
      };
      if (client.pid) entry.emplace(WindowKey::ownerPid, *client.pid);
      if (client.title) entry.emplace(WindowKey::name, *client.title);
      list.emplace_back(std::move(entry));
    }
    return Value(std::move(list));
  }

  HiddenReason hiddenReason(uint32_t windowId) override {
    const Window window = windowId;
    if (isMinimised(window)) return HiddenReason::minimised;
    if (otherDesktop(window)) return HiddenReason::otherDesktop;
    return HiddenReason::unknown;
  }

  // Every command past help names applications by their desktop files, which the matching
  // reads whole: they are read while the display's connection is set up.
  bool answers() override {
    startOpeningDisplay();
    installedDesktopFiles().readAll();
    return display() != nullptr;
  }
};

}  // namespace

std::unique_ptr<WindowServer> makeWindowServer() { return std::make_unique<LinuxWindowServer>(); }

}  // namespace platform::linux_desktop
