// Not built yet on Linux: every call fails, which the core reads as absence.

#include "platform/linux/backends.h"

namespace platform::linux_desktop {
namespace {

class NoWorkspace : public Workspace {
 public:
  std::vector<RunningApplication> runningApplications() override { return {}; }
  std::optional<RunningApplication> runningApplication(int32_t) override { return std::nullopt; }
  std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
  void activate(const RunningApplication&) override {}
  std::optional<std::string> urlForApplication(const std::string&) override { return std::nullopt; }
  std::vector<std::string> applicationDirectories() override { return {}; }
  std::string bundleExtension() override { return ".desktop"; }
  void openApplication(const std::string&, bool, OpenCompletion) override {}
  void openURLs(const std::vector<std::string>&, const std::string&, bool, OpenCompletion) override {}
};

}  // namespace

std::unique_ptr<Workspace> makeWorkspace() { return std::make_unique<NoWorkspace>(); }

}  // namespace platform::linux_desktop
