// The screenshot command: the window's image and its numbered element list in one result.

#include <future>

#include "accessibility/collect.h"
#include "accessibility/window_resolution.h"
#include "activity/record.h"
#include "apps/running.h"
#include "capture/capture.h"
#include "capture/whole_file.h"
#include "cli/commands.h"
#include "core/run_state.h"
#include "core/paths.h"
#include "cli/startup.h"
#include "platform/platform.h"

namespace dorv {
namespace {

// A window the window manager has hidden cannot be captured on any system of this kind; only
// a failure without a visible cause may be a missing permission.
[[noreturn]] void captureFailed(uint32_t windowId) {
  const std::string id = std::to_string(windowId);
  switch (platform::windowServer().hiddenReason(windowId)) {
    case platform::HiddenReason::minimised:
      fail("Window " + id + " is minimised, so it can't be captured. Run `focus` with --window " + id +
           " to restore it, then screenshot again.");
    case platform::HiddenReason::otherDesktop:
      fail("Window " + id + " is on another desktop, so it can't be captured. Run `focus` with --window " +
           id + " to go there, then screenshot again.");
    case platform::HiddenReason::unknown:
      break;
  }
  askDorvForPermissionSetup();
  fail("Couldn't capture window " + id +
       ". Screen Recording may not be granted to Dorv; its setup panel is opening. Dorv must be restarted "
       "after that grant.");
}

}  // namespace

void screenshotCommand() {
  auto out = option("--out");
  if (args.empty()) fail("screenshot needs an app");
  // The capture has an X connection of its own and touches neither the application nor its
  // tree, so it runs beside them: from the start when the window's number is given (a window
  // that turns out not to be the application's ends the run, and its image is never used),
  // else once the window is resolved, prepared meanwhile. The image and the preview frame are
  // then encoded each on a thread of its own while the tree is walked: the walk mostly waits for
  // the application, and the capture and the two encodes are the run's CPU work. The tree is
  // only read, so the image shows the window as the tree describes it.
  const auto policy = std::launch::async | std::launch::deferred;
  std::shared_future<platform::Image> image;
  std::future<void> captureReady;
  if (windowOption)
    image = std::async(policy, captureImage, *windowOption);
  else
    captureReady = prepareCapture();
  auto app = resolveApp(args.front());
  auto [window, info] = axWindow(app, windowOption);
  if (!image.valid()) image = std::async(policy, captureImage, info.id);
  platform::system().createDirectories(activityDir);

  const std::string path = out ? *out : screenshotPath(info.id);
  // Replacing a directory fails anyway; a device node or a link must not be replaced by a file.
  auto& system = platform::system();
  if (out && system.fileExists(path) && !system.isRegularFile(path))
    fail("The --out path " + path + " exists and isn't a regular file. Give the path of a PNG file to write.");
  // The frame is written under a private name and takes its place only once the screenshot is
  // written: a failed screenshot records nothing.
  const std::string stagedFrame = temporaryPathFor(framePath(info.id));
  const WindowInfo& shown = info;
  auto encoded = [&](const std::string& to, std::optional<double> maxWidth, bool retina) {
    return std::async(policy, [&, to, maxWidth, retina]() -> std::optional<platform::Size> {
      const platform::Image& captured = image.get();
      if (!captured) return std::nullopt;
      return writeImage(captured, shown, to, maxWidth, retina);
    });
  };
  auto written = encoded(path, std::nullopt, false);
  auto framed = encoded(stagedFrame, previewMaxWidth, true);
  Collection collection = collect(window);
  if (!image.get()) captureFailed(info.id);
  auto size = written.get();
  const bool frameWritten = framed.get().has_value();
  if (!size) {
    if (frameWritten) system.removeFile(stagedFrame);
    fail("Couldn't write the screenshot to " + path +
         ". Check that its directory exists and can be written, then screenshot again.");
  }
  if (frameWritten && !system.rename(stagedFrame, framePath(info.id))) system.removeFile(stagedFrame);
  recordActivityAfterFrame(app, info, "screenshot");
  emit(Json{{"ok", true},
            {"app", app.localizedName.value_or("")},
            {"window", info.id},
            {"title", info.title},
            {"png", path},
            {"size", {static_cast<int64_t>(size->width), static_cast<int64_t>(size->height)}},
            {"elements", describe(collection.interactive, info.frame.origin)},
            {"text", collection.texts}});
}

}  // namespace dorv
