#pragma once
// The key names a chord may end in and their virtual key codes.

#include <cstdint>
#include <map>
#include <string>

namespace dorv {

extern const std::map<std::string, uint16_t> keyCodes;

}  // namespace dorv
