#pragma once
// PNG encoding of the Linux backend's images.

#include <cairo.h>

#include <string>

namespace platform::linux_desktop {

// zlib's fastest level, rows unfiltered: encoding dominates the time of a capture, and for
// window contents these files are hardly larger than with filtering or higher levels
// (1366x741: 143 KB in 16 ms, against 113 KB in 80 ms at the defaults).
inline constexpr int pngCompressionLevel = 1;

// Writes the surface as an 8-bit RGBA PNG (straight alpha) to the path, created or replaced,
// readable by the user alone. False on any error; the file may then be partly written.
bool writeSurfacePNG(cairo_surface_t* surface, const std::string& path);

}  // namespace platform::linux_desktop
