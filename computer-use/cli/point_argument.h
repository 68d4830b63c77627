#pragma once
// The x,y values of "--at", "--from" and "--to".

#include <optional>
#include <string>

#include "platform/value.h"

namespace dorv {

// Splits at every comma, drops empty pieces and pieces that are not a whole decimal number;
// a point when exactly two numbers remain. Infinite and NaN values are no coordinates.
std::optional<platform::Point> pointArgument(const std::string& value);

}  // namespace dorv
