// Not built yet on Linux: every call fails, which the core reads as absence.

#include "platform/linux/backends.h"

namespace platform::linux_desktop {
namespace {

class NoPrivateFramework : public PrivateFramework {
 public:
  std::any symbol(const std::string&, const std::string&) override { return {}; }
};

}  // namespace

std::unique_ptr<PrivateFramework> makePrivateFramework() { return std::make_unique<NoPrivateFramework>(); }

}  // namespace platform::linux_desktop
