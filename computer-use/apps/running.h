#pragma once
// Running applications: resolving a user's name for one, describing one, bringing one front.

#include <optional>
#include <string>

#include "core/result.h"
#include "platform/workspace.h"

namespace dorv {

using platform::RunningApplication;

// A process id, then an exact bundle identifier, then a name ignoring case, then the first word
// of a name of several words that only one application's name begins with; or none.
std::optional<RunningApplication> runningApp(const std::string& name);

// Whether a name a person gave designates an application shown under that name: full Unicode
// lowercase mapping of both, canonically equivalent strings equal.
bool displayedNameMatches(const std::string& displayed, const std::string& name);

// runningApp, or the run ends with the hint to list the running applications.
RunningApplication resolveApp(const std::string& name);

// The app record of the apps listing, with the number of its windows.
Json appRecord(const RunningApplication& app, size_t windowCount);

// Makes the application frontmost through accessibility, else by activation.
void bringToFront(const RunningApplication& app);

// A signed decimal integer of the given range: digits with an optional leading sign, nothing else.
std::optional<int64_t> parseInteger(const std::string& s, int64_t min, int64_t max);

}  // namespace dorv
