#pragma once
// Keys as X knows them: the macOS virtual key codes of the key table as keysyms, modifier
// flags as X modifier state, characters as keysyms, and keysyms as keycodes of the current
// keyboard map, through a spare keycode when the map has none.

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform::linux_desktop {

// The keysym of a macOS virtual key code of the US layout, for the codes of the key table.
std::optional<KeySym> keysymForMacKeyCode(uint16_t code);

// Command and control both mean Control (what Ctrl+L does on Linux is what Cmd+L does on a
// Mac), alternate means Mod1, shift means Shift; other flags are dropped.
unsigned int modifierState(uint64_t flags);

// The keysym that types one Unicode code point: Latin-1 directly, other characters as
// Unicode keysyms, line breaks as Return, tab as Tab; NoSymbol for other control characters.
KeySym keysymForCodePoint(char32_t c);

struct KeyStroke {
  KeyCode code = 0;
  unsigned int state = 0;  // ShiftMask when the keysym sits on the shifted level
};

// A copy of the server's core keyboard map.
class KeyboardMap {
 public:
  static std::optional<KeyboardMap> read(Display* display);

  // A key of the map that types the keysym on its first or second level.
  std::optional<KeyStroke> stroke(KeySym sym) const;
  // The keycodes without any keysym, highest first: free to be borrowed.
  std::vector<KeyCode> spareKeycodes() const;

  int minKeycode() const { return min_; }
  int keysymsPerKeycode() const { return perCode_; }
  const std::vector<KeySym>& keysyms() const { return syms_; }
  bool operator==(const KeyboardMap&) const = default;

 private:
  int min_ = 0;
  int perCode_ = 0;
  std::vector<KeySym> syms_;
};

// Types a keysym: with a key of the current map when it has one, else through a spare keycode
// borrowed for the keysym. A borrowed keycode keeps its keysym for the rest of the run (the
// target translates a keycode only when it handles the event, so a mapping undone at once
// garbles what it types) and is lent again only once every spare one is in use. False when
// neither is possible (the body is not run).
bool withKeyFor(KeySym sym, const std::function<void(const KeyStroke&)>& body);

// Gives every borrowed keycode its empty mapping back, after a pause in which the target can
// handle the keys typed with them. Also runs when the process exits.
void restoreBorrowedKeys();

}  // namespace platform::linux_desktop
