#include "cli/point_argument.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace dorv {
namespace {

std::optional<double> decimal(std::string_view piece) {
  // from_chars takes a minus sign but not a plus sign; one sign at most either way.
  if (!piece.empty() && piece.front() == '+') {
    piece.remove_prefix(1);
    if (!piece.empty() && piece.front() == '-') return std::nullopt;
  }
  double value = 0;
  auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (error != std::errc() || end != piece.data() + piece.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<platform::Point> pointArgument(const std::string& value) {
  std::vector<double> numbers;
  std::string_view rest = value;
  while (true) {
    const size_t comma = rest.find(',');
    const std::string_view piece = rest.substr(0, comma);
    if (auto number = decimal(piece)) numbers.push_back(*number);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (numbers.size() != 2) return std::nullopt;
  return platform::Point{numbers[0], numbers[1]};
}

}  // namespace dorv
