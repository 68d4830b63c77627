// Not built yet on Linux: every call fails, which the core reads as absence.

#include "platform/linux/backends.h"

namespace platform::linux_desktop {
namespace {

class NoCapture : public Capture {
 public:
  Image windowImage(uint32_t, const std::string&, double) override { return nullptr; }
  Image scaled(const Image&, int, int) override { return nullptr; }
  bool writePNG(const Image&, const std::string&) override { return false; }
};

}  // namespace

std::unique_ptr<Capture> makeCapture() { return std::make_unique<NoCapture>(); }

}  // namespace platform::linux_desktop
