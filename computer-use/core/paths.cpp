#include "core/paths.h"

namespace dorv {

std::string activityDir;
std::string activityPath;
std::string windowsPath;
std::string liveLockPath;

void setPaths(const std::string& homeDirectory) {
  activityDir = homeDirectory + "/.dorv/computer-use";
  activityPath = activityDir + "/activity.json";
  windowsPath = activityDir + "/windows.json";
  liveLockPath = activityDir + "/live.lock";
}

}  // namespace dorv
