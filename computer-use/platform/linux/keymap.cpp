#include "platform/linux/keymap.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <X11/Xatom.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

Atom lockProperty() { return atom("_DORV_KEYMAP_LOCK"); }
Atom borrowedProperty() { return atom("_DORV_BORROWED_KEYS"); }
Atom tokenProperty() { return atom("_DORV_KEYMAP_TOKEN"); }

// The window that stands for this run in the lock: the server destroys it with the connection,
// so a holder that was killed leaves a lock that names no window. The server hands a dead
// client's window ids to later clients (this run included), so the lock names a token beside
// the window, which the holder's window carries.
std::atomic<Window> lockOwner{None};

long lockToken() {
  static const long token = static_cast<long>((static_cast<unsigned long>(getpid()) << 12 ^ std::random_device{}()) &
                                              0x7fffffffUL);
  return token;
}

Window ownerWindow(Display* d) {
  if (lockOwner == None) {
    const Window w = XCreateWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
    long token = lockToken();
    XChangeProperty(d, w, tokenProperty(), XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&token),
                    1);
    lockOwner = w;
  }
  return lockOwner;
}

int keysymsPerKeycode(Display* d) {
  int min = 0, max = 0, per = 0;
  XDisplayKeycodes(d, &min, &max);
  KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(min), 1, &per);
  if (syms != nullptr) XFree(syms);
  return per;
}

void mapKeycode(Display* d, KeyCode code, KeySym sym, int perCode) {
  std::vector<KeySym> syms(static_cast<size_t>(std::max(perCode, 1)), sym);
  XChangeKeyboardMapping(d, code, static_cast<int>(syms.size()), syms.data(), 1);
}

// Gives the keycodes recorded on the root window their empty mapping back.
void restoreRecorded(Display* d, Window root, bool forget) {
  auto codes = cardinalProperty(root, borrowedProperty(), XA_CARDINAL);
  if (!codes || codes->empty()) return;
  const int perCode = keysymsPerKeycode(d);
  for (unsigned long code : *codes)
    if (code >= 8 && code <= 255) mapKeycode(d, static_cast<KeyCode>(code), NoSymbol, perCode);
  if (forget) XDeleteProperty(d, root, borrowedProperty());
}

// Whether the lock's holder is alive: its window exists and carries the lock's token.
bool holderAlive(const std::vector<unsigned long>& lock) {
  if (lock.size() < 2) return false;
  auto token = cardinalProperty(static_cast<Window>(lock[0]), tokenProperty(), XA_CARDINAL);
  takeError();  // a window that is gone
  return token && !token->empty() && (*token)[0] == lock[1];
}

// Takes the display-wide lock, testing and setting it with the server grabbed; a lock whose
// holder is gone is taken over after giving back what the holder borrowed.
bool takeKeymapLock(Display* d) {
  const Window root = DefaultRootWindow(d), me = ownerWindow(d);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(keymapLockLimitSeconds);
  for (;;) {
    XGrabServer(d);
    auto holder = cardinalProperty(root, lockProperty(), XA_WINDOW);
    const bool free = !holder || !holderAlive(*holder);
    if (free) {
      restoreRecorded(d, root, true);
      long value[2] = {static_cast<long>(me), lockToken()};
      XChangeProperty(d, root, lockProperty(), XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(value), 2);
    }
    XUngrabServer(d);
    XSync(d, False);
    if (free) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void releaseKeymapLock(Display* d) {
  XDeleteProperty(d, DefaultRootWindow(d), lockProperty());
  XSync(d, False);
}

Bool isPingAnswer(Display*, XEvent* event, XPointer stamp) {
  return event->type == ClientMessage && event->xclient.message_type == atom("WM_PROTOCOLS") &&
         static_cast<Atom>(event->xclient.data.l[0]) == atom("_NET_WM_PING") &&
         event->xclient.data.l[1] == *reinterpret_cast<long*>(stamp);
}

// Waits until the owner of the window has read the events sent to it so far: a _NET_WM_PING
// sent after them comes back once the owner has read them, in order. Owners that do not answer
// pings get a fixed pause.
void waitUntilHandled(Display* d, Window window) {
  constexpr auto unansweredPause = std::chrono::milliseconds(150);
  constexpr auto pingLimit = std::chrono::milliseconds(1000);
  Atom* protocols = nullptr;
  int count = 0;
  bool pings = false;
  if (XGetWMProtocols(d, window, &protocols, &count)) {
    for (int i = 0; i < count; ++i) pings = pings || protocols[i] == atom("_NET_WM_PING");
    XFree(protocols);
  }
  takeError();
  const Window root = DefaultRootWindow(d);
  XWindowAttributes rootAttributes{};
  if (!pings || !XGetWindowAttributes(d, root, &rootAttributes)) {
    XSync(d, False);
    std::this_thread::sleep_for(unansweredPause);
    return;
  }
  // Answers go to the root window, to the clients that select its substructure.
  XSelectInput(d, root, rootAttributes.your_event_mask | SubstructureNotifyMask);
  static long counter = 0;
  long stamp = (static_cast<long>(getpid()) << 16) + ++counter;
  XEvent ping{};
  ping.xclient.type = ClientMessage;
  ping.xclient.window = window;
  ping.xclient.message_type = atom("WM_PROTOCOLS");
  ping.xclient.format = 32;
  ping.xclient.data.l[0] = static_cast<long>(atom("_NET_WM_PING"));
  ping.xclient.data.l[1] = stamp;
  ping.xclient.data.l[2] = static_cast<long>(window);
  XSendEvent(d, window, False, NoEventMask, &ping);
  XFlush(d);
  const auto deadline = std::chrono::steady_clock::now() + pingLimit;
  XEvent answer;
  bool answered = false;
  while (!answered && std::chrono::steady_clock::now() < deadline) {
    answered = XCheckIfEvent(d, &answer, isPingAnswer, reinterpret_cast<XPointer>(&stamp));
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  XSelectInput(d, root, rootAttributes.your_event_mask);
  XSync(d, False);
  // The substructure events that came meanwhile are nobody's.
  while (XCheckMaskEvent(d, SubstructureNotifyMask, &answer)) {
  }
  if (!answered) std::this_thread::sleep_for(unansweredPause);
}

// The keyboard map as this run found it, with whatever a killed run had borrowed given back.
const std::optional<KeyboardMap>& currentMap() {
  static const std::optional<KeyboardMap> map = []() -> std::optional<KeyboardMap> {
    Display* d = display();
    if (d == nullptr) return std::nullopt;
    if (takeKeymapLock(d)) releaseKeymapLock(d);
    return KeyboardMap::read(d);
  }();
  return map;
}

// Held while this run has a code borrowed. A run ended from another thread stops further
// borrowing and waits for the borrowing in progress to be given back.
std::timed_mutex borrowing;
std::atomic<bool> stopping{false};

bool typeWithBorrowedKey(Display* d, KeySym sym, Window handledBy, const std::function<void(const KeyStroke&)>& body) {
  std::unique_lock section(borrowing);
  if (stopping || !takeKeymapLock(d)) return false;
  // Read under the lock: keycodes other programs took since the run began are not spare.
  auto map = KeyboardMap::read(d);
  auto spare = map ? map->spareKeycodes() : std::vector<KeyCode>{};
  if (spare.empty()) {
    releaseKeymapLock(d);
    return false;
  }
  const Window root = DefaultRootWindow(d);
  long code = spare.front();
  XChangeProperty(d, root, borrowedProperty(), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&code), 1);
  mapKeycode(d, spare.front(), sym, map->keysymsPerKeycode());
  XSync(d, False);
  body(KeyStroke{spare.front(), 0});
  waitUntilHandled(d, handledBy);
  restoreRecorded(d, root, true);
  releaseKeymapLock(d);
  return true;
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

bool withKeyFor(KeySym sym, Window handledBy, const std::function<void(const KeyStroke&)>& body) {
  const auto& map = currentMap();
  Display* d = display();
  if (!map || d == nullptr || sym == NoSymbol) return false;
  if (auto stroke = map->stroke(sym)) {
    body(*stroke);
    return true;
  }
  return typeWithBorrowedKey(d, sym, handledBy, body);
}

void giveBackBorrowedKeysNow() {
  static std::atomic<bool> given{false};
  const Window me = lockOwner;
  if (me == None || given.exchange(true)) return;
  stopping = true;
  std::unique_lock section(borrowing, std::defer_lock);
  // Longer than a borrowing lasts (the target's answer to a ping, or the pause without one).
  if (section.try_lock_for(std::chrono::milliseconds(1500))) return;
  Display* d = openDisplayWithin(1.0);
  if (d == nullptr) return;
  const Window root = DefaultRootWindow(d);
  Atom lock = XInternAtom(d, "_DORV_KEYMAP_LOCK", False), borrowed = XInternAtom(d, "_DORV_BORROWED_KEYS", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  bool holding = false;
  if (XGetWindowProperty(d, root, lock, 0, 1, False, XA_WINDOW, &type, &format, &count, &remaining, &data) ==
          Success &&
      data != nullptr) {
    holding = format == 32 && count >= 1 && *reinterpret_cast<unsigned long*>(data) == me;
    XFree(data);
  }
  data = nullptr;
  if (holding && XGetWindowProperty(d, root, borrowed, 0, 64, False, XA_CARDINAL, &type, &format, &count,
                                    &remaining, &data) == Success &&
      data != nullptr) {
    const int perCode = keysymsPerKeycode(d);
    const auto* codes = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; format == 32 && i < count; ++i)
      if (codes[i] >= 8 && codes[i] <= 255) mapKeycode(d, static_cast<KeyCode>(codes[i]), NoSymbol, perCode);
    XFree(data);
  }
  XSync(d, False);
  XCloseDisplay(d);
}

}  // namespace platform::linux_desktop
