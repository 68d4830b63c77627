#pragma once
// The parts of the Linux desktop backend, one per platform interface.

#include <memory>

#include "platform/platform.h"

namespace platform::linux_desktop {

std::unique_ptr<Workspace> makeWorkspace();
std::unique_ptr<WindowServer> makeWindowServer();
std::unique_ptr<Accessibility> makeAccessibility();
std::unique_ptr<PrivateFramework> makePrivateFramework();
std::unique_ptr<Events> makeEvents();
std::unique_ptr<Capture> makeCapture();
std::unique_ptr<System> makeSystem();

}  // namespace platform::linux_desktop
