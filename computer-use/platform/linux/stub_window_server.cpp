// Not built yet on Linux: every call fails, which the core reads as absence.

#include "platform/linux/backends.h"

namespace platform::linux_desktop {
namespace {

class NoWindowServer : public WindowServer {
 public:
  std::optional<Value> copyWindowInfo(uint32_t, uint32_t) override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<WindowServer> makeWindowServer() { return std::make_unique<NoWindowServer>(); }

}  // namespace platform::linux_desktop
