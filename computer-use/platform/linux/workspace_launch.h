#pragma once
// Launching desktop entries through GIO.

#include <string>
#include <vector>

#include "platform/workspace.h"

namespace platform::linux_desktop {

// Runs the entry at `path` with the URIs handed over as its Exec line asks (%u, %f...), in a
// session of its own with its standard streams on /dev/null. Reports the launched process
// (described by `describe`, told whether it has already exited) once it has shown a window or
// exited (at most a few seconds), or GIO's error, to `completion` before returning. An entry
// that would drop a URI (it takes no URLs, or only files) is an error, and nothing is run.
void launchDesktopEntry(const std::string& path, const std::vector<std::string>& uris,
                        const std::function<RunningApplication(int32_t pid, bool exited)>& describe,
                        const OpenCompletion& completion);

}  // namespace platform::linux_desktop
