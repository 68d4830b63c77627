// Any bytes as a chord: parseChord gives a key code and flags from the tables or fails with one of
// its two messages, and the outcome ignores ASCII case, empty pieces and the modifiers' order.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "input/key_codes.h"
#include "core/result.h"
#include "input/keyboard.h"
#include "text/unicode.h"

namespace dorv {
namespace {

struct Failure {
  std::string message;
};

}  // namespace

// Stands in for the program's exit so that one process can try many chords.
void fail(const std::string& message) { throw Failure{message}; }
void failIfStopRequested() {}

namespace {

using Outcome = std::variant<Chord, Failure>;

constexpr uint64_t allFlags =
    ModifierFlag::command | ModifierFlag::shift | ModifierFlag::alternate | ModifierFlag::control;
const std::set<std::string> modifierWords = {"cmd",    "command", "meta", "shift",  "alt",
                                             "option", "opt",     "ctrl", "control"};
const std::string unknownKey = "Unknown key in \"";
const std::string unknownModifier = "Unknown modifier \"";

Outcome parse(const std::string& chord) {
  try {
    return parseChord(chord);
  } catch (const Failure& failure) {
    return failure;
  }
}

void require(bool holds, const char* property, const std::string& chord) {
  if (holds) return;
  std::fprintf(stderr, "%s fails for chord of %zu bytes\n", property, chord.size());
  std::abort();
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Equal chords, the same unknown modifier, or both an unknown key (whose message quotes the input).
bool sameOutcome(const Outcome& a, const Outcome& b) {
  if (a.index() != b.index()) return false;
  if (const Chord* chord = std::get_if<Chord>(&a)) {
    const Chord& other = std::get<Chord>(b);
    return chord->code == other.code && chord->flags == other.flags;
  }
  const std::string& first = std::get<Failure>(a).message;
  const std::string& second = std::get<Failure>(b).message;
  return startsWith(first, unknownKey) ? startsWith(second, unknownKey) : first == second;
}

void checkOutcome(const std::string& chord, const Outcome& outcome) {
  if (const Chord* parsed = std::get_if<Chord>(&outcome)) {
    require((parsed->flags & ~allFlags) == 0, "flags from the modifier table", chord);
    require(std::any_of(keyCodes.begin(), keyCodes.end(), [&](const auto& key) { return key.second == parsed->code; }),
            "code from the key table", chord);
    return;
  }
  const std::string& message = std::get<Failure>(outcome).message;
  if (startsWith(message, unknownKey)) {
    require(message == unknownKey + chord + "\"", "unknown key quotes the chord as given", chord);
    return;
  }
  require(startsWith(message, unknownModifier) && message.size() > unknownModifier.size() + 1 && message.back() == '"',
          "one of the two messages", chord);
  const std::string word = message.substr(unknownModifier.size(), message.size() - unknownModifier.size() - 1);
  require(word.find('+') == std::string::npos && !modifierWords.contains(word), "an unknown modifier word", chord);
  require(text::lowercase(chord).find(word) != std::string::npos, "the lowercased word of the chord", chord);
}

std::string asciiUppercase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// "+" is neither cased nor case-ignorable, so the pieces lowercase independently of each other.
std::vector<std::string> pieces(const std::string& chord) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t end; (end = chord.find('+', start)) != std::string::npos; start = end + 1)
    if (end > start) out.push_back(chord.substr(start, end - start));
  if (start < chord.size()) out.push_back(chord.substr(start));
  return out;
}

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : "+") + word;
  return out;
}

void checkChordParts(const std::string& chord, const Chord& parsed) {
  std::vector<std::string> words = pieces(chord);
  const Outcome key = parse(words.back());
  require(sameOutcome(key, Chord{parsed.code, 0}), "the key is the last piece alone", chord);
  std::reverse(words.begin(), words.end() - 1);
  require(sameOutcome(parse(joined(words)), parsed), "modifiers in any order", chord);
  words.back() = "a";
  require(sameOutcome(parse(joined(words)), Chord{keyCodes.at("a"), parsed.flags}), "flags from the modifiers alone",
          chord);
}

std::string withEmptyPieces(const std::string& chord) {
  std::string out = "+";
  for (char c : chord) out += c == '+' ? std::string("++") : std::string(1, c);
  return out + "+";
}

}  // namespace
}  // namespace dorv

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace dorv;
  const std::string chord(reinterpret_cast<const char*>(data), size);
  const Outcome outcome = parse(chord);
  checkOutcome(chord, outcome);
  require(sameOutcome(parse(asciiUppercase(chord)), outcome), "case ignored", chord);
  require(sameOutcome(parse(withEmptyPieces(chord)), outcome), "empty pieces dropped", chord);
  if (const Chord* parsed = std::get_if<Chord>(&outcome)) checkChordParts(chord, *parsed);
  return 0;
}
