// CGEvent-like events built in memory and delivered as synthetic X events (x_events.h).

#include <signal.h>

#include <cerrno>

#include "platform/linux/backends.h"
#include "platform/linux/x_events.h"

namespace platform::linux_desktop {
namespace {

class XEvents : public Events {
 public:
  std::optional<CGEventSource> createSource(int32_t state) override { return CGEventSource{state}; }

  std::optional<CGEvent> createMouseEvent(const CGEventSource&, uint32_t type, Point location,
                                          uint32_t) override {
    CGEvent event;
    event.type = type;
    event.location = location;
    return event;
  }

  std::optional<CGEvent> createKeyboardEvent(const CGEventSource&, uint16_t virtualKey,
                                             bool keyDown) override {
    CGEvent event;
    event.type = keyDown ? CGEventType::keyDown : CGEventType::keyUp;
    event.keyCode = virtualKey;
    return event;
  }

  void setFlags(CGEvent& event, uint64_t flags) override { event.flags = flags; }

  void keyboardSetUnicodeString(CGEvent& event, const std::u16string& units) override {
    event.unicode = units;
  }

  bool postToPid(int32_t pid, const CGEvent& event) override { return postEvent(pid, event); }

  // Linux has no serial numbers: the process id stands in for one, for a process that exists.
  int32_t getProcessForPID(int32_t pid, ProcessSerialNumber* psn) override {
    constexpr int32_t processNotFound = -600;
    if (pid <= 0 || (kill(pid, 0) != 0 && errno != EPERM)) return processNotFound;
    *psn = ProcessSerialNumber{0, static_cast<uint32_t>(pid)};
    return 0;
  }
};

}  // namespace

std::unique_ptr<Events> makeEvents() { return std::make_unique<XEvents>(); }

}  // namespace platform::linux_desktop
