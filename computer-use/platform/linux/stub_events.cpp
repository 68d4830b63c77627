// Not built yet on Linux: every call fails, which the core reads as absence.

#include "platform/linux/backends.h"

namespace platform::linux_desktop {
namespace {

class NoEvents : public Events {
 public:
  std::optional<CGEventSource> createSource(int32_t) override { return std::nullopt; }
  std::optional<CGEvent> createMouseEvent(const CGEventSource&, uint32_t, Point, uint32_t) override { return std::nullopt; }
  std::optional<CGEvent> createKeyboardEvent(const CGEventSource&, uint16_t, bool) override { return std::nullopt; }
  void setFlags(CGEvent&, uint64_t) override {}
  void keyboardSetUnicodeString(CGEvent&, const std::u16string&) override {}
  void postToPid(int32_t, const CGEvent&) override {}
  int32_t getProcessForPID(int32_t, ProcessSerialNumber*) override { return -1; }
};

}  // namespace

std::unique_ptr<Events> makeEvents() { return std::make_unique<NoEvents>(); }

}  // namespace platform::linux_desktop
