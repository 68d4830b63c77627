#pragma once
// Window images of the Linux backend: cairo image surfaces, 32 bits per pixel in native byte
// order (xRGB, or premultiplied ARGB when the window has an alpha channel).

#include <cairo.h>

#include <memory>

#include "platform/capture.h"

namespace platform::linux_desktop {

class SurfaceImage : public ImageObject {
 public:
  // Takes the surface; pixels, when given, is the memory the surface draws on.
  explicit SurfaceImage(cairo_surface_t* surface, std::shared_ptr<const void> pixels = nullptr);
  ~SurfaceImage() override;
  SurfaceImage(const SurfaceImage&) = delete;
  SurfaceImage& operator=(const SurfaceImage&) = delete;

  int width() const override;
  int height() const override;
  cairo_surface_t* surface() const { return surface_; }

 private:
  std::shared_ptr<const void> pixels_;  // outlives the surface
  cairo_surface_t* surface_;
};

// The image's surface when it is one of this backend's images, else null.
cairo_surface_t* surfaceOf(const Image& image);

// The image resampled to width x height, every source pixel counted when shrinking,
// interpolated when growing; the image itself when the size is already right; null when no
// such surface can be made.
Image scaledImage(const Image& image, int width, int height);

}  // namespace platform::linux_desktop
