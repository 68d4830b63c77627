#pragma once
// Key chords and text typed into another process as keyboard events addressed to it. The
// callers make the target window key first and give the front back afterwards.

#include <cstdint>
#include <string>

namespace dorv {

// Modifier flags of keyboard events.
namespace ModifierFlag {
inline constexpr uint64_t command = 0x100000;
inline constexpr uint64_t shift = 0x20000;
inline constexpr uint64_t alternate = 0x80000;
inline constexpr uint64_t control = 0x40000;
}  // namespace ModifierFlag

struct Chord {
  uint16_t code = 0;
  uint64_t flags = 0;
};

// The key code and modifier flags of a chord such as "cmd+shift+t", ignoring case. Ends the run
// with a message naming the first unknown modifier word, else the unknown key.
Chord parseChord(const std::string& chord);

// A key down and a key up carrying the flags, 20 ms after each.
void postKey(int32_t pid, uint16_t code, uint64_t flags);

// Each user-perceived character as a key down and up carrying only its UTF-16 units, 8 ms apart.
void postText(int32_t pid, const std::string& text);

}  // namespace dorv
