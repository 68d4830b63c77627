#include "platform/scripted/capture.h"

namespace platform::scripted {

Image ScriptedCapture::windowImage(uint32_t windowId, const std::string& temporary, double timeout) {
  log_.add("capture " + std::to_string(windowId));
  temporaryPath = temporary;
  timeoutSeconds = timeout;
  auto it = windows.find(windowId);
  if (it == windows.end()) return nullptr;
  return std::make_shared<ScriptedImage>(it->second.first, it->second.second);
}

Image ScriptedCapture::scaled(const Image&, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  return std::make_shared<ScriptedImage>(width, height);
}

bool ScriptedCapture::writePNG(const Image& image, const std::string& path) {
  log_.add("png " + path);
  std::lock_guard hold(system_.filesGuard);
  if (!pngWrites || system_.fileExists(path)) return false;
  written[path] = {image->width(), image->height()};
  system_.files[path] = "PNG";
  return true;
}

}  // namespace platform::scripted
