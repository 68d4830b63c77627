#include "platform/linux/capture_png.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform::linux_desktop {
namespace {

// libpng's defaults print to standard error; errors unwind to the setjmp in encode instead.
void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// One row of native-order 32-bit pixels to RGBA bytes, undoing the premultiplication. Window
// images are nearly always opaque, and an opaque row has a loop of its own that the compiler
// vectorises.
void toRGBA(const uint32_t* pixels, int width, bool hasAlpha, png_byte* out) {
  bool opaque = true;
  for (int x = 0; hasAlpha && x < width; ++x) opaque &= (pixels[x] >> 24) == 255;
  if (opaque) {
    for (int x = 0; x < width; ++x, out += 4) {
      const uint32_t p = pixels[x];
      out[0] = static_cast<png_byte>(p >> 16);
      out[1] = static_cast<png_byte>(p >> 8);
      out[2] = static_cast<png_byte>(p);
      out[3] = 255;
    }
    return;
  }
  for (int x = 0; x < width; ++x, out += 4) {
    const uint32_t p = pixels[x];
    const uint32_t a = p >> 24;
    uint32_t c[3] = {(p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff};
    for (uint32_t& v : c) v = a == 0 ? 0 : std::min<uint32_t>((v * 255 + a / 2) / a, 255);
    for (int i = 0; i < 3; ++i) out[i] = static_cast<png_byte>(c[i]);
    out[3] = static_cast<png_byte>(a);
  }
}

// Only plain C frames lie between libpng's longjmp and this function's setjmp, and everything
// with a destructor lives in the caller.
bool encode(FILE* file, cairo_surface_t* surface, png_byte* row) {
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const bool hasAlpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, pngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    toRGBA(reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride), width,
           hasAlpha, row);
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool writeSurfacePNG(cairo_surface_t* surface, const std::string& path) {
  cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) return false;
  const int width = cairo_image_surface_get_width(surface);
  if (width <= 0 || cairo_image_surface_get_height(surface) <= 0) return false;
  cairo_surface_flush(surface);

  // The activity directory holds pictures of the user's windows: no one else may read them.
  // Created here and nowhere else: a file or link planted at the name is never written through.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    ::close(fd);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  bool written = encode(file, surface, row.data());
  return std::fclose(file) == 0 && written;
}

}  // namespace platform::linux_desktop
