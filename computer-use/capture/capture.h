#pragma once
// Window images: one window captured by its window number, scaled and written as a PNG that
// replaces its destination in one step.

#include <cstdint>
#include <future>
#include <optional>
#include <string>

#include "apps/windows.h"
#include "platform/capture.h"
#include "platform/value.h"

namespace dorv {

inline constexpr double screencaptureTimeout = 8.0;
inline constexpr double previewMaxWidth = 600.0;

// The window's image at the capture's own resolution, or null.
platform::Image captureImage(uint32_t windowId);

// Loads and connects the capture on a thread of its own, beside the command's other work, so
// that its first capture is quicker; the future waits for that when it goes.
std::future<void> prepareCapture();

// The size in pixels writeImage gives the image: target width the frame's width in points
// (doubled with retina, capped at maxWidth), height from the image's aspect ratio; none when no
// bitmap of it can exist.
std::optional<platform::Size> imageSize(const platform::Image& image, const WindowInfo& window,
                                        std::optional<double> maxWidth, bool retina);

// Writes an image of the window to the path, target width the frame's width in points (doubled
// with retina, capped at maxWidth), height from the image's aspect ratio. The written size in
// pixels, or none when nothing was written (no image, a zero size, a failed write). Touches
// neither the window nor the accessibility tree, so it may run beside a walk of the tree.
std::optional<platform::Size> writeImage(const platform::Image& image, const WindowInfo& window,
                                         const std::string& path, std::optional<double> maxWidth, bool retina);

// Captures the window now and writes it as writeImage does.
std::optional<platform::Size> capture(const WindowInfo& window, const std::string& path,
                                      std::optional<double> maxWidth, bool retina);

// The screenshot command's default image and the live preview frame of a window.
std::string screenshotPath(uint32_t windowId);
std::string framePath(uint32_t windowId);

}  // namespace dorv
