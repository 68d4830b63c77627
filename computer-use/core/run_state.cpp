#include "core/run_state.h"

namespace dorv {

std::vector<std::string> args;

bool needsAccessibility = true;
std::optional<platform::RunningApplication> previousFront;
bool stoleFocus = false;
std::string command;
std::optional<uint32_t> windowOption;
std::optional<std::string> sayOption;

}  // namespace dorv
