// Capture in-process from the X server; scaling with cairo, encoding with libpng. Nothing is
// written to disk but the destination.

#include "platform/linux/backends.h"
#include "platform/linux/capture_image.h"
#include "platform/linux/capture_png.h"
#include "platform/linux/capture_window.h"

namespace platform::linux_desktop {
namespace {

class X11Capture : public Capture {
 public:
  void prepare() override { prepareGrabbing(); }

  Image windowImage(uint32_t windowId, const std::string&, double timeoutSeconds) override {
    return grabWindow(windowId, timeoutSeconds);
  }

  Image scaled(const Image& image, int width, int height) override {
    return scaledImage(image, width, height);
  }

  bool writePNG(const Image& image, const std::string& path) override {
    cairo_surface_t* surface = surfaceOf(image);
    return surface != nullptr && writeSurfacePNG(surface, path);
  }
};

}  // namespace

std::unique_ptr<Capture> makeCapture() { return std::make_unique<X11Capture>(); }

}  // namespace platform::linux_desktop
