#pragma once
// Process-wide state of one run: the constants, the paths and the run state, set once at
// start-up (the arguments and stoleFocus change later).

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/value.h"
#include "platform/workspace.h"

namespace dorv {

// The command-line arguments without the program path; options are taken out as read.
extern std::vector<std::string> args;

inline constexpr double openTimeout = 15.0;
inline constexpr double otherSpaceSearchSeconds = 2.0;
inline constexpr int32_t allSpacesMask = 7;
extern const std::set<std::string> interactiveRoles;
inline constexpr double screencaptureTimeout = 8.0;

extern std::string activityDir;
extern std::string activityPath;
extern std::string windowsPath;
extern std::string liveLockPath;

inline constexpr double previewMaxWidth = 600.0;
inline constexpr double liveSeconds = 20.0;
inline constexpr uint32_t liveRefreshMicros = 900000;
inline constexpr double windowMemorySeconds = 600.0;
inline constexpr int64_t subtypeNormal = 0;
inline constexpr int64_t subtypeTouch = 3;
inline constexpr platform::Point offscreenPoint{-1, -1};
extern const std::map<std::string, uint16_t> keyCodes;

extern bool needsAccessibility;
extern std::optional<platform::RunningApplication> previousFront;
extern bool stoleFocus;
extern std::string command;
extern std::optional<uint32_t> windowOption;
extern std::optional<std::string> sayOption;

// Sets the paths under the home directory.
void setPaths(const std::string& homeDirectory);

}  // namespace dorv
