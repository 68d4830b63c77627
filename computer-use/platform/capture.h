#pragma once
// Window images: capture by window number, scaling and PNG encoding.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class ImageObject {
 public:
  virtual ~ImageObject() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
};

using Image = std::shared_ptr<const ImageObject>;

class Capture {
 public:
  virtual ~Capture() = default;

  // Loads and connects what captures need, so that the first one is quicker; from any
  // thread, beside anything (captures included).
  virtual void prepare() {}

  // The window's current image at the capture's own resolution, or null when it cannot be
  // captured (gone, minimised, on another desktop, no permission). A capture that has to go
  // through a file uses temporaryPath; none may take longer than timeoutSeconds.
  virtual Image windowImage(uint32_t windowId, const std::string& temporaryPath,
                            double timeoutSeconds) = 0;

  // The image drawn into a width x height bitmap with high-quality interpolation; null when
  // no such bitmap can be made (a zero size, for instance).
  virtual Image scaled(const Image& image, int width, int height) = 0;

  // Writes an 8-bit RGBA PNG of one image to a new file at the path; fails when anything (a
  // file, a link) is there already.
  virtual bool writePNG(const Image& image, const std::string& path) = 0;
};

}  // namespace platform
