#pragma once

#include <string>
#include <vector>

namespace dictate {

enum class Chime { begin, end };

// The system sound files tried for `chime`, in order.
const std::vector<std::string>& paths(Chime chime);

}  // namespace dictate
