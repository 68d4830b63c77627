#pragma once
// The activity record the host application reads for its live preview: the latest action in
// "activity.json", every window acted on in the last ten minutes in "windows.json", and a
// preview frame per window.

#include <string>

#include "apps/windows.h"
#include "core/result.h"
#include "platform/capture.h"
#include "platform/workspace.h"

namespace dorv {

// How long a window stays in the window list after its last action.
inline constexpr double windowMemorySeconds = 600.0;

// Writes the preview frame, the activity and the window list, then makes sure the live loop
// runs. Best-effort and silent: nothing it meets changes the command's output or status.
void recordActivity(const platform::RunningApplication& app, const WindowInfo& window,
                    const std::string& action);

// recordActivity in two steps, for a command that holds an image of the window taken moments
// ago: the frame from that image (which touches neither the window nor the tree, so it may run
// beside a walk), then, once it is written, the rest.
void writeFrame(const WindowInfo& window, const platform::Image& image);
void recordActivityAfterFrame(const platform::RunningApplication& app, const WindowInfo& window,
                              const std::string& action);

// The activity object of one action, without "caption"; reads the clock once.
Json activityObject(const platform::RunningApplication& app, const WindowInfo& window,
                    const std::string& action);

// Replaces the file with the value as compact JSON by way of a temporary file; on any error
// the old file stays.
void writeJSON(const Json& value, const std::string& path);

// Milliseconds since 1970-01-01 00:00 UTC, fraction kept.
double nowMillis();

}  // namespace dorv
