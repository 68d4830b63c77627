#pragma once

#include <nlohmann/json.hpp>

#include <vector>

namespace dictate::testing {

// Every event written since the last call, in order, once the writer has caught up.
std::vector<nlohmann::json> takeEvents();

}  // namespace dictate::testing
