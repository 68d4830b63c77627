#include "platform/linux/keymap.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

// The keyboard map of this run, read once: the program changes only keycodes that are empty
// in it, and puts them back.
const std::optional<KeyboardMap>& currentMap() {
  static const std::optional<KeyboardMap> map = [] {
    Display* d = display();
    return d != nullptr ? KeyboardMap::read(d) : std::nullopt;
  }();
  return map;
}

// Long enough for the target to handle the keys typed with a borrowed mapping before it is
// changed: toolkits translate a keycode when they process the event, with the map of then.
constexpr auto remapSettle = std::chrono::milliseconds(150);

struct BorrowedKey {
  KeyCode code;
  KeySym sym;
};

// The keycodes this run has borrowed, least recently used first.
std::vector<BorrowedKey>& borrowedKeys() {
  static std::vector<BorrowedKey> keys;
  return keys;
}

bool mapKeycode(KeyCode code, KeySym sym, int perCode) {
  std::vector<KeySym> syms(static_cast<size_t>(perCode), sym);
  return checked([&](Display* x) { XChangeKeyboardMapping(x, code, perCode, syms.data(), 1); });
}

// A keycode for a keysym the map lacks: the one already lent to it, else a spare one not yet
// lent, else the least recently used one once the target has had time for its earlier keys.
std::optional<KeyCode> borrowKeycode(Display* d, const KeyboardMap& map, KeySym sym) {
  auto& keys = borrowedKeys();
  auto lent = std::find_if(keys.begin(), keys.end(), [&](const BorrowedKey& k) { return k.sym == sym; });
  if (lent != keys.end()) {
    std::rotate(lent, lent + 1, keys.end());
    return keys.back().code;
  }
  std::optional<KeyCode> code;
  for (KeyCode spare : map.spareKeycodes()) {
    bool taken = std::any_of(keys.begin(), keys.end(), [&](const BorrowedKey& k) { return k.code == spare; });
    if (!taken) {
      code = spare;
      break;
    }
  }
  if (!code) {
    if (keys.empty()) return std::nullopt;
    XSync(d, False);
    std::this_thread::sleep_for(remapSettle);
    code = keys.front().code;
    keys.erase(keys.begin());
  }
  static const bool restoredAtExit = std::atexit(restoreBorrowedKeys) == 0;
  (void)restoredAtExit;
  if (!mapKeycode(*code, sym, map.keysymsPerKeycode())) {
    // A keycode left half-changed is still ours to give back.
    keys.push_back({*code, NoSymbol});
    return std::nullopt;
  }
  keys.push_back({*code, sym});
  return code;
}

}  // namespace

std::optional<KeySym> keysymForMacKeyCode(uint16_t code) {
  static const std::map<uint16_t, KeySym> table = {
      {0, XK_a},       {1, XK_s},         {2, XK_d},         {3, XK_f},          {4, XK_h},
      {5, XK_g},       {6, XK_z},         {7, XK_x},         {8, XK_c},          {9, XK_v},
      {11, XK_b},      {12, XK_q},        {13, XK_w},        {14, XK_e},         {15, XK_r},
      {16, XK_y},      {17, XK_t},        {18, XK_1},        {19, XK_2},         {20, XK_3},
      {21, XK_4},      {22, XK_6},        {23, XK_5},        {24, XK_equal},     {25, XK_9},
      {26, XK_7},      {27, XK_minus},    {28, XK_8},        {29, XK_0},         {30, XK_bracketright},
      {31, XK_o},      {32, XK_u},        {33, XK_bracketleft}, {34, XK_i},      {35, XK_p},
      {36, XK_Return}, {37, XK_l},        {38, XK_j},        {39, XK_apostrophe}, {40, XK_k},
      {41, XK_semicolon}, {43, XK_comma}, {44, XK_slash},    {45, XK_n},         {46, XK_m},
      {47, XK_period}, {48, XK_Tab},      {49, XK_space},    {51, XK_BackSpace}, {53, XK_Escape},
      {115, XK_Home},  {116, XK_Prior},   {119, XK_End},     {121, XK_Next},     {123, XK_Left},
      {124, XK_Right}, {125, XK_Down},    {126, XK_Up},
  };
  auto it = table.find(code);
  if (it == table.end()) return std::nullopt;
  return it->second;
}

unsigned int modifierState(uint64_t flags) {
  constexpr uint64_t shift = 0x20000, control = 0x40000, alternate = 0x80000, command = 0x100000;
  unsigned int state = 0;
  if (flags & (command | control)) state |= ControlMask;
  if (flags & alternate) state |= Mod1Mask;
  if (flags & shift) state |= ShiftMask;
  return state;
}

KeySym keysymForCodePoint(char32_t c) {
  if ((c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0xff)) return c;
  switch (c) {
    case U'\r':
    case U'\n': return XK_Return;
    case U'\t': return XK_Tab;
    case 0x08: return XK_BackSpace;
    case 0x1b: return XK_Escape;
    case 0x7f: return XK_Delete;
    default: break;
  }
  if (c < 0x20 || (c >= 0x80 && c < 0xa0) || c > 0x10ffff) return NoSymbol;
  return 0x01000000 | c;
}

std::optional<KeyboardMap> KeyboardMap::read(Display* display) {
  int min = 0, max = 0, per = 0;
  XDisplayKeycodes(display, &min, &max);
  KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &per);
  if (syms == nullptr) return std::nullopt;
  KeyboardMap map;
  map.min_ = min;
  map.perCode_ = per;
  map.syms_.assign(syms, syms + static_cast<size_t>(max - min + 1) * static_cast<size_t>(per));
  XFree(syms);
  return map;
}

std::optional<KeyStroke> KeyboardMap::stroke(KeySym sym) const {
  if (perCode_ <= 0 || sym == NoSymbol) return std::nullopt;
  size_t codes = syms_.size() / static_cast<size_t>(perCode_);
  for (unsigned level = 0; level < 2 && level < static_cast<unsigned>(perCode_); ++level) {
    for (size_t i = 0; i < codes; ++i) {
      KeySym lower = syms_[i * perCode_], here = syms_[i * perCode_ + level];
      // A second level left empty means the first one, upper-cased for letters.
      if (level == 1 && here == NoSymbol && lower != NoSymbol) {
        KeySym low, up;
        XConvertCase(lower, &low, &up);
        here = up != low ? up : NoSymbol;
      }
      if (here == sym)
        return KeyStroke{static_cast<KeyCode>(min_ + static_cast<int>(i)), level == 1 ? ShiftMask : 0u};
    }
  }
  return std::nullopt;
}

std::vector<KeyCode> KeyboardMap::spareKeycodes() const {
  std::vector<KeyCode> spare;
  if (perCode_ <= 0) return spare;
  size_t codes = syms_.size() / static_cast<size_t>(perCode_);
  for (size_t i = codes; i-- > 0;) {
    bool empty = true;
    for (int j = 0; j < perCode_; ++j) empty = empty && syms_[i * perCode_ + j] == NoSymbol;
    if (empty) spare.push_back(static_cast<KeyCode>(min_ + static_cast<int>(i)));
  }
  return spare;
}

bool withKeyFor(KeySym sym, const std::function<void(const KeyStroke&)>& body) {
  const auto& map = currentMap();
  Display* d = display();
  if (!map || d == nullptr || sym == NoSymbol) return false;
  if (auto stroke = map->stroke(sym)) {
    body(*stroke);
    return true;
  }
  auto code = borrowKeycode(d, *map, sym);
  if (!code) return false;
  body(KeyStroke{*code, 0});
  return true;
}

void restoreBorrowedKeys() {
  auto& keys = borrowedKeys();
  const auto& map = currentMap();
  Display* d = display();
  if (keys.empty() || !map || d == nullptr) return;
  XSync(d, False);
  std::this_thread::sleep_for(remapSettle);
  for (const BorrowedKey& key : keys) mapKeycode(key.code, NoSymbol, map->keysymsPerKeycode());
  keys.clear();
}

}  // namespace platform::linux_desktop
