#include "capture/capture.h"

#include <cmath>
#include <limits>

#include "capture/whole_file.h"
#include "core/paths.h"
#include "platform/platform.h"

namespace dorv {
namespace {

// A pixel count for a bitmap: rounded half away from zero; none when no bitmap of it can exist.
std::optional<int> pixels(double length) {
  double rounded = std::round(length);
  if (!(rounded >= 1 && rounded <= std::numeric_limits<int>::max())) return std::nullopt;
  return static_cast<int>(rounded);
}

}  // namespace

platform::Image captureImage(uint32_t windowId) {
  auto& system = platform::system();
  // Only a capture that goes through a file uses it; the process id keeps parallel runs apart.
  std::string temporary = system.temporaryDirectory() + "dorv-cu-" +
                          std::to_string(system.processId()) + "-" + std::to_string(windowId) + ".png";
  return platform::capture().windowImage(windowId, temporary, screencaptureTimeout);
}

std::future<void> prepareCapture() {
  // Deferred, and so skipped, when no thread can be had.
  return std::async(std::launch::async | std::launch::deferred, [] { platform::capture().prepare(); });
}

std::optional<platform::Size> imageSize(const platform::Image& image, const WindowInfo& window,
                                        std::optional<double> maxWidth, bool retina) {
  if (!image || image->width() <= 0 || image->height() <= 0) return std::nullopt;
  double targetWidth = std::fabs(window.frame.size.width) * (retina ? 2 : 1);
  if (maxWidth && *maxWidth < targetWidth) targetWidth = *maxWidth;
  // The captured image's aspect ratio, not the frame's: the two may differ by the decorations.
  double targetHeight = static_cast<double>(image->height()) / image->width() * targetWidth;
  auto width = pixels(targetWidth);
  auto height = pixels(targetHeight);
  if (!width || !height) return std::nullopt;
  return platform::Size{static_cast<double>(*width), static_cast<double>(*height)};
}

std::optional<platform::Size> writeImage(const platform::Image& image, const WindowInfo& window,
                                         const std::string& path, std::optional<double> maxWidth, bool retina) {
  auto size = imageSize(image, window, maxWidth, retina);
  if (!size) return std::nullopt;
  const int width = static_cast<int>(size->width), height = static_cast<int>(size->height);

  auto& capture = platform::capture();
  platform::Image scaled = capture.scaled(image, width, height);
  if (!scaled) return std::nullopt;
  // A failed rename is a failed write: the file at the path is not this image.
  if (!replaceWhole(path, [&](const std::string& temporary) { return capture.writePNG(scaled, temporary); }))
    return std::nullopt;
  return size;
}

std::optional<platform::Size> capture(const WindowInfo& window, const std::string& path, std::optional<double> maxWidth,
                                      bool retina) {
  return writeImage(captureImage(window.id), window, path, maxWidth, retina);
}

std::string screenshotPath(uint32_t windowId) {
  return activityDir + "/screenshot-" + std::to_string(windowId) + ".png";
}

std::string framePath(uint32_t windowId) {
  return activityDir + "/frame-" + std::to_string(windowId) + ".png";
}

}  // namespace dorv
