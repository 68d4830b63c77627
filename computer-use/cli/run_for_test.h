#pragma once
// Runs the program's top level on the scripted desktop the way the process would, catching the
// exit that a failure ends with.

#include <string>
#include <vector>

#include "cli/startup.h"
#include "platform/scripted/desktop.h"

namespace dorv {

struct RunResult {
  std::string output;
  int status;
};

inline RunResult runProgram(platform::scripted::ScriptedDesktop& desktop, std::vector<std::string> words) {
  std::vector<std::string> storage{"dorv-computer-use"};
  storage.insert(storage.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  desktop.system.standardOutput.clear();
  int status;
  try {
    status = run(static_cast<int>(argv.size()), argv.data());
  } catch (const platform::scripted::ExitCalled& e) {
    status = e.status;
  }
  return {desktop.system.standardOutput, status};
}

}  // namespace dorv
