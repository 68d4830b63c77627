#include "input/keyboard.h"

#include <map>
#include <string_view>
#include <vector>

#include "input/key_codes.h"
#include "core/result.h"
#include "platform/platform.h"
#include "text/unicode.h"

namespace dorv {
namespace {

const std::map<std::string_view, uint64_t> modifierFlags = {
    {"cmd", ModifierFlag::command},   {"command", ModifierFlag::command}, {"meta", ModifierFlag::command},
    {"shift", ModifierFlag::shift},   {"alt", ModifierFlag::alternate},   {"option", ModifierFlag::alternate},
    {"opt", ModifierFlag::alternate}, {"ctrl", ModifierFlag::control},    {"control", ModifierFlag::control},
};

std::vector<std::string> nonEmptyPieces(const std::string& s, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(separator, start);
    if (end == std::string::npos) end = s.size();
    if (end > start) pieces.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

Chord parseChord(const std::string& chord) {
  const auto pieces = nonEmptyPieces(text::lowercase(chord), '+');
  Chord result;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    auto modifier = modifierFlags.find(pieces[i]);
    if (modifier == modifierFlags.end()) fail("Unknown modifier " + quoted(pieces[i]));
    result.flags |= modifier->second;
  }
  auto key = pieces.empty() ? keyCodes.end() : keyCodes.find(pieces.back());
  if (key == keyCodes.end()) fail("Unknown key in " + quoted(chord));
  result.code = key->second;
  return result;
}

void postKey(int32_t pid, uint16_t code, uint64_t flags) {
  auto& events = platform::events();
  auto source = events.createSource(platform::CGEventSourceState::privateState);
  if (!source) return;
  for (bool keyDown : {true, false}) {
    auto event = events.createKeyboardEvent(*source, code, keyDown);
    if (!event) continue;
    events.setFlags(*event, flags);
    if (!events.postToPid(pid, *event))
      fail("Couldn't press the key: no key of the keyboard has it and none could be lent for it.");
    platform::system().sleepMicros(20'000);
  }
}

void postText(int32_t pid, const std::string& text) {
  auto& events = platform::events();
  auto source = events.createSource(platform::CGEventSourceState::privateState);
  for (const auto& character : text::graphemes(text)) {
    failIfStopRequested();
    const std::u16string units = text::utf16(character);
    for (bool keyDown : {true, false}) {
      auto event = source ? events.createKeyboardEvent(*source, 0, keyDown) : std::nullopt;
      if (!event) continue;
      events.keyboardSetUnicodeString(*event, units);
      // Reported rather than dropped: the rest would arrive with a hole in it.
      if (!events.postToPid(pid, *event))
        fail("Couldn't type " + quoted(character) +
             ": no key of the keyboard types it and none could be lent for it (other runs may be using "
             "the spare keys). The text before it was typed.");
    }
    // Paced whether or not the events could be made, so that a long text takes its usual time.
    platform::system().sleepMicros(8'000);
  }
}

}  // namespace dorv
