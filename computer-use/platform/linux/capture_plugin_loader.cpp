#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "platform/linux/capture_plugin.h"

namespace platform::linux_desktop {
namespace {

std::string programDirectory() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return "";
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/') + 1);
}

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
      const std::string path = programDirectory() + capturePluginName;
      void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) return;
      if (auto entry = reinterpret_cast<CapturePluginEntry>(dlsym(handle, capturePluginEntryName)))
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
