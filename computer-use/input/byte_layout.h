#pragma once
// Fixed-layout byte blocks that private window-server calls take.

#include <cstddef>
#include <cstdint>

namespace dorv {

// Bytes begin ..< end of a block.
struct ByteRange {
  size_t begin;
  size_t end;
};

// Writes the low (end - begin) bytes of a value into the range, least significant first.
template <class Bytes>
void writeLittleEndian(Bytes& bytes, ByteRange range, uint64_t value) {
  for (size_t i = range.begin; i < range.end; ++i, value >>= 8) bytes[i] = static_cast<uint8_t>(value & 0xFF);
}

}  // namespace dorv
