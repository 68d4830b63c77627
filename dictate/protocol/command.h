#pragma once

#include <optional>
#include <string>

namespace dictate {

// The command word of a command line, or none for a line the protocol ignores (not JSON, not
// an object, no string "cmd").
std::optional<std::string> commandWord(const std::string& line);

}  // namespace dictate
