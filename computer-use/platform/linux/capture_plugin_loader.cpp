#include <mutex>

#include "platform/linux/capture_plugin.h"
#include "platform/linux/plugin_loading.h"

namespace platform::linux_desktop {
namespace {

class LoadedCapture : public Capture {
 public:
  void prepare() override {
    if (Capture* c = loaded()) c->prepare();
  }

  Image windowImage(uint32_t windowId, const std::string& temporaryPath, double timeoutSeconds) override {
    Capture* c = loaded();
    return c ? c->windowImage(windowId, temporaryPath, timeoutSeconds) : nullptr;
  }

  Image scaled(const Image& image, int width, int height) override {
    Capture* c = loaded();
    return c ? c->scaled(image, width, height) : nullptr;
  }

  bool writePNG(const Image& image, const std::string& path) override {
    Capture* c = loaded();
    return c && c->writePNG(image, path);
  }

 private:
  // The plugin stays loaded for the life of the process: its images may outlive this object.
  Capture* loaded() {
    std::call_once(once_, [this] {
      if (auto entry = reinterpret_cast<CapturePluginEntry>(pluginEntry(capturePluginName, capturePluginEntryName)))
        capture_.reset(entry());
    });
    return capture_.get();
  }

  std::once_flag once_;
  std::unique_ptr<Capture> capture_;
};

}  // namespace

std::unique_ptr<Capture> makeLoadedCapture() { return std::make_unique<LoadedCapture>(); }

}  // namespace platform::linux_desktop
