#include "platform/linux/backends.h"

namespace platform {

Platform nativePlatform() {
  using namespace linux_desktop;
  // Kept for the life of the process.
  static auto workspace = makeWorkspace();
  static auto windowServer = makeWindowServer();
  static auto accessibility = makeAccessibility();
  static auto privateFramework = makePrivateFramework();
  static auto events = makeEvents();
  static auto capture = makeCapture();
  static auto system = makeSystem();
  return Platform{workspace.get(), windowServer.get(), accessibility.get(), privateFramework.get(),
                  events.get(), capture.get(), system.get()};
}

}  // namespace platform
