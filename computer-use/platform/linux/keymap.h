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
// borrowed for the keysym. Borrowing is display-wide and one keycode at a time: the keyboard-map
// lock (a root-window property naming a window of the holder's connection, so that it dies
// with the holder) is held, the borrowed code recorded on the root window, the body run, and
// the code given back once the owner of handledBy has handled the events (toolkits translate a
// keycode with the map of the moment they read it). Whoever takes the lock next gives back
// what a killed holder left. False when neither is possible (the body is not run).
bool withKeyFor(KeySym sym, Window handledBy, const std::function<void(const KeyStroke&)>& body);

inline constexpr double keymapLockLimitSeconds = 5.0;

// Gives back a keycode this run has borrowed, on a connection of its own: for a run ended from
// another thread while it may be typing. The record stays for the next run, in case this one
// changes the map again before it has ended.
void giveBackBorrowedKeysNow();

}  // namespace platform::linux_desktop
