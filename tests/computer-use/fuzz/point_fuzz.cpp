// Any bytes as an x,y value: a point has finite coordinates that read back from their shortest
// form, empty and unreadable pieces change nothing, and two finite doubles written in decimal
// read back exactly.

#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "cli/point_argument.h"

namespace {

using platform::Point;

void require(bool holds, const char* property, const std::string& value) {
  if (holds) return;
  std::fprintf(stderr, "%s fails for value of %zu bytes\n", property, value.size());
  std::abort();
}

// Bit for bit, so that -0 and 0 differ.
bool same(const std::optional<Point>& a, const std::optional<Point>& b) {
  if (!a || !b) return !a && !b;
  return std::bit_cast<uint64_t>(a->x) == std::bit_cast<uint64_t>(b->x) &&
         std::bit_cast<uint64_t>(a->y) == std::bit_cast<uint64_t>(b->y);
}

std::string written(double number, std::chars_format format) {
  char buffer[512];  // the longest fixed form of a finite double is under 400 characters
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number, format);
  return std::string(buffer, result.ptr);
}

std::string written(const Point& point, std::chars_format format) {
  return written(point.x, format) + "," + written(point.y, format);
}

// Doubled commas, commas at both ends and pieces that are no finite decimal number.
std::string withDroppedPieces(const std::string& value) {
  std::string out = ",";
  for (char c : value) out += c == ',' ? std::string(",,") : std::string(1, c);
  return out + ",,inf,nan,1e999, 1,1 ,+-1,++1,0x1p3,";
}

void checkWrittenPoint(const Point& point) {
  for (auto format : {std::chars_format::general, std::chars_format::fixed, std::chars_format::scientific}) {
    const std::string value = written(point, format);
    require(same(dorv::pointArgument(value), point), "a written point reads back", value);
    if (!std::signbit(point.x)) {
      const std::string plus = "+" + value;
      require(same(dorv::pointArgument(plus), point), "a plus sign is taken", plus);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  const std::optional<Point> point = dorv::pointArgument(value);
  if (point) {
    require(std::isfinite(point->x) && std::isfinite(point->y), "finite coordinates", value);
    require(same(dorv::pointArgument(written(*point, std::chars_format::general)), point), "shortest form reads back",
            value);
  }
  require(same(dorv::pointArgument(withDroppedPieces(value)), point), "empty and unreadable pieces dropped", value);

  Point raw;
  if (size >= sizeof raw.x + sizeof raw.y) {
    std::memcpy(&raw.x, data, sizeof raw.x);
    std::memcpy(&raw.y, data + sizeof raw.x, sizeof raw.y);
    if (std::isfinite(raw.x) && std::isfinite(raw.y)) checkWrittenPoint(raw);
  }
  return 0;
}
