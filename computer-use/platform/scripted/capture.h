#pragma once
// Window images as a test sets them.

#include <map>

#include "platform/capture.h"
#include "platform/scripted/call_log.h"
#include "platform/scripted/system.h"

namespace platform::scripted {

class ScriptedImage : public ImageObject {
 public:
  ScriptedImage(int w, int h) : w_(w), h_(h) {}
  int width() const override { return w_; }
  int height() const override { return h_; }

 private:
  int w_, h_;
};

class ScriptedCapture : public Capture {
 public:
  ScriptedCapture(CallLog& log, ScriptedSystem& system) : log_(log), system_(system) {}

  // Window id -> captured size in pixels; a window not here cannot be captured.
  std::map<uint32_t, std::pair<int, int>> windows;
  bool pngWrites = true;
  // What the last windowImage call was given.
  std::string temporaryPath;
  double timeoutSeconds = 0;

  Image windowImage(uint32_t windowId, const std::string& temporaryPath, double timeoutSeconds) override;
  Image scaled(const Image& image, int width, int height) override;
  bool writePNG(const Image& image, const std::string& path) override;

  // Path -> size of every PNG written.
  std::map<std::string, std::pair<int, int>> written;

 private:
  CallLog& log_;
  ScriptedSystem& system_;
};

}  // namespace platform::scripted
