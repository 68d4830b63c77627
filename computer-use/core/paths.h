#pragma once
// The activity directory and its files, fixed once at start-up from the home directory.

#include <string>

namespace dorv {

extern std::string activityDir;
extern std::string activityPath;
extern std::string windowsPath;
extern std::string liveLockPath;

// Sets the paths under the home directory.
void setPaths(const std::string& homeDirectory);

}  // namespace dorv
