#include "platform/linux/capture_image.h"

namespace platform::linux_desktop {

SurfaceImage::SurfaceImage(cairo_surface_t* surface, std::shared_ptr<const void> pixels)
    : pixels_(std::move(pixels)), surface_(surface) {}

SurfaceImage::~SurfaceImage() { cairo_surface_destroy(surface_); }

int SurfaceImage::width() const { return cairo_image_surface_get_width(surface_); }
int SurfaceImage::height() const { return cairo_image_surface_get_height(surface_); }

cairo_surface_t* surfaceOf(const Image& image) {
  auto* ours = dynamic_cast<const SurfaceImage*>(image.get());
  return ours ? ours->surface() : nullptr;
}

namespace {

Image drawn(cairo_surface_t* source, int width, int height, double scaleX, double scaleY,
            cairo_filter_t filter) {
  cairo_surface_t* target =
      cairo_image_surface_create(cairo_image_surface_get_format(source), width, height);
  if (cairo_surface_status(target) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(target);
    return nullptr;
  }
  cairo_t* cr = cairo_create(target);
  cairo_scale(cr, scaleX, scaleY);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_pattern_t* pattern = cairo_get_source(cr);
  cairo_pattern_set_filter(pattern, filter);
  // Keeps the edges from fading to transparent.
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  bool painted = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(target);
  if (!painted) {
    cairo_surface_destroy(target);
    return nullptr;
  }
  return std::make_shared<SurfaceImage>(target);
}

}  // namespace

Image scaledImage(const Image& image, int width, int height) {
  if (surfaceOf(image) == nullptr || width <= 0 || height <= 0) return nullptr;
  // Halving first: bilinear sampling at exactly half the scale averages each 2x2 block, and
  // its fast path is several times quicker than cairo's box convolution over a large shrink.
  Image current = image;
  auto half = [](int length) { return (length + 1) / 2; };
  while (current && half(current->width()) >= width && half(current->height()) >= height)
    current = drawn(surfaceOf(current), half(current->width()), half(current->height()), 0.5, 0.5,
                    CAIRO_FILTER_BILINEAR);
  if (!current || (current->width() == width && current->height() == height)) return current;
  // GOOD averages the source pixels of what shrinking is left, and interpolates when growing.
  return drawn(surfaceOf(current), width, height, static_cast<double>(width) / current->width(),
               static_cast<double>(height) / current->height(), CAIRO_FILTER_GOOD);
}

}  // namespace platform::linux_desktop
