#pragma once
// The state of one run: the arguments and what start-up and the commands learn about the run,
// set once at start-up (the arguments and stoleFocus change later).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/workspace.h"

namespace dorv {

// The command-line arguments without the program path; options are taken out as read.
extern std::vector<std::string> args;

extern bool needsAccessibility;
extern std::optional<platform::RunningApplication> previousFront;
extern bool stoleFocus;
extern std::string command;
extern std::optional<uint32_t> windowOption;
extern std::optional<std::string> sayOption;

}  // namespace dorv
