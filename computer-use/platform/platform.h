#pragma once
// The platform the core runs on, set once at start-up.

#include "platform/accessibility.h"
#include "platform/capture.h"
#include "platform/events.h"
#include "platform/private_framework.h"
#include "platform/system.h"
#include "platform/window_server.h"
#include "platform/workspace.h"

namespace platform {

struct Platform {
  Workspace* workspace = nullptr;
  WindowServer* windowServer = nullptr;
  Accessibility* accessibility = nullptr;
  PrivateFramework* privateFramework = nullptr;
  Events* events = nullptr;
  Capture* capture = nullptr;
  System* system = nullptr;
};

void install(const Platform& platform);
const Platform& current();
// How many times install ran: answers kept for the life of the process (resolved private
// functions) are kept for one installation, so that every scripted desktop starts afresh.
uint64_t installation();

inline Workspace& workspace() { return *current().workspace; }
inline WindowServer& windowServer() { return *current().windowServer; }
inline Accessibility& accessibility() { return *current().accessibility; }
inline PrivateFramework& privateFramework() { return *current().privateFramework; }
inline Events& events() { return *current().events; }
inline Capture& capture() { return *current().capture; }
inline System& system() { return *current().system; }

// What the program does when its connection to the desktop is lost for good (the display server
// went away), set by the core; the handler does not return. Backends call desktopLost() from
// any thread; without a handler the process ends with status 1.
using DesktopLostHandler = void (*)();
void setDesktopLostHandler(DesktopLostHandler handler);
[[noreturn]] void desktopLost();

// The desktop this program runs on, for the shipped program (one backend is linked in).
Platform nativePlatform();

}  // namespace platform
