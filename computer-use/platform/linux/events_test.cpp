// Mouse and key events and the event records, delivered to a GTK application in the background.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <X11/keysym.h>
#include <X11/Xatom.h>

#include <any>
#include <fstream>

#include "platform/linux/atspi_test_app.h"
#include "platform/linux/keymap.h"
#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

using nlohmann::json;
using testing::attr;
using testing::eventually;
using testing::find;
using testing::stringAttr;
using testing::TestApp;

// The sample application logging what it receives, behind another window that is active.
class Background : public ::testing::Test {
 protected:
  void SetUp() override {
    logPath = std::string(::testing::TempDir()) + "sample-" + std::to_string(getpid()) + ".jsonl";
    std::remove(logPath.c_str());
    app = startTarget();
    ASSERT_NE(app, nullptr);
    cover = TestApp::start(*ax, {testing::sampleApp, "--title", "Cover"});
    ASSERT_NE(cover, nullptr);
    // A new window is not always focused when the machine is busy: the user activates it.
    activateWindow(cover->windowId);
    ASSERT_TRUE(eventually([&] { return activeWindow() == Window(cover->windowId); }));
    // The window manager gives the X input focus after announcing the active window.
    ASSERT_TRUE(eventually([&] { return focusInCover(); }));
  }

  // The X input focus is on the cover's client window or, once GTK has passed it on, on a
  // child window of its own.
  bool focusInCover() {
    Window w = None;
    int revert = 0;
    XGetInputFocus(display(), &w, &revert);
    for (int depth = 0; w != None && depth < 16; ++depth) {
      if (w == Window(cover->windowId)) return true;
      Window root, parent, *children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(display(), w, &root, &parent, &children, &count)) return false;
      if (children) XFree(children);
      w = parent == root ? None : parent;
    }
    return false;
  }

  virtual std::unique_ptr<TestApp> startTarget() {
    return TestApp::start(*ax, {testing::sampleApp, "--log", logPath, "--second-window"}, "Dorv Sample");
  }

  void TearDown() override {
    // Nothing here may take the focus from the user's window.
    EXPECT_EQ(activeWindow(), Window(cover->windowId));
    EXPECT_TRUE(focusInCover());
    std::remove(logPath.c_str());
  }

  std::vector<json> log(const std::string& event) {
    std::vector<json> lines;
    std::ifstream in(logPath);
    for (std::string line; std::getline(in, line);) {
      auto j = json::parse(line, nullptr, false);
      if (!j.is_discarded() && j.value("event", "") == event) lines.push_back(j);
    }
    return lines;
  }

  template <class F>
  F function(const char* name) {
    return std::any_cast<F>(framework->symbol("/System/Library/PrivateFrameworks/SkyLight.framework/SkyLight", name));
  }

  // The click the gesture code posts: move, the off-screen primer, press and release.
  void click(const AXUIElement& element) {
    ASSERT_TRUE(element);
    Rect f{*attr(*ax, element, "AXPosition").get<Point>(), *attr(*ax, element, "AXSize").get<Size>()};
    Point at{f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
    Rect frame = clientWindow(app->windowId)->frame;
    Point inWindow{at.x - frame.origin.x, at.y - frame.origin.y};
    ++group;
    post(CGEventType::mouseMoved, at, inWindow);
    post(CGEventType::leftMouseDown, {-1, -1}, {-1, -1});
    post(CGEventType::leftMouseUp, {-1, -1}, {-1, -1});
    post(CGEventType::leftMouseDown, at, inWindow);
    post(CGEventType::leftMouseUp, at, inWindow);
  }

  void post(uint32_t type, Point at, Point inWindow) {
    auto source = events->createSource(CGEventSourceState::hidSystemState);
    auto event = events->createMouseEvent(*source, type, at, mouseButtonLeft);
    auto setField = function<PrivateFunction::EventSetIntegerValueField>("SLEventSetIntegerValueField");
    setField(*event, 51, app->windowId);
    setField(*event, 58, group);
    function<PrivateFunction::EventSetWindowLocation>("CGEventSetWindowLocation")(*event, inWindow);
    function<PrivateFunction::EventPostToPid>("SLEventPostToPid")(app->pid, *event);
    usleep(5000);
  }

  void key(uint16_t code, uint64_t flags) {
    auto source = events->createSource(CGEventSourceState::privateState);
    for (bool down : {true, false}) {
      auto event = events->createKeyboardEvent(*source, code, down);
      events->setFlags(*event, flags);
      events->postToPid(app->pid, *event);
    }
  }

  void text(const std::u16string& units) {
    auto source = events->createSource(CGEventSourceState::privateState);
    for (bool down : {true, false}) {
      auto event = events->createKeyboardEvent(*source, 0, down);
      events->keyboardSetUnicodeString(*event, units);
      events->postToPid(app->pid, *event);
    }
  }

  void record(uint8_t kind, uint32_t window, uint8_t marker) {
    std::array<uint8_t, 248> bytes{};
    bytes[4] = 0xF8;
    bytes[8] = kind;
    for (int i = 0; i < 4; ++i) bytes[60 + i] = uint8_t(window >> (8 * i));
    bytes[138] = marker;
    ProcessSerialNumber psn;
    ASSERT_EQ(events->getProcessForPID(app->pid, &psn), 0);
    function<PrivateFunction::PostEventRecordTo>("SLPSPostEventRecordTo")(psn, bytes);
  }

  std::unique_ptr<Accessibility> ax = makeAccessibility();
  std::unique_ptr<Events> events = makeEvents();
  std::unique_ptr<PrivateFramework> framework = makePrivateFramework();
  std::string logPath;
  std::unique_ptr<TestApp> app, cover;
  int64_t group = 0;
};

TEST_F(Background, AClickPressesTheButtonOnceAndThePrimerLeavesNoTrace) {
  Rect before = clientWindow(app->windowId)->frame;
  click(find(*ax, app->window, "AXButton", "Press me"));
  ASSERT_TRUE(eventually([&] { return bool(find(*ax, app->window, "AXStaticText", "Pressed 1")); }));
  EXPECT_EQ(log("clicked").size(), 1u);
  EXPECT_TRUE(log("double-press").empty());
  // GTK hands on no press outside the window: the primer is not seen.
  auto presses = log("button-press");
  ASSERT_EQ(presses.size(), 1u);
  EXPECT_LT(presses[0]["x"].get<double>(), before.size.width);
  EXPECT_GE(presses[0]["x"].get<double>(), 0);
  // The primer moves and resizes nothing.
  EXPECT_EQ(clientWindow(app->windowId)->frame, before);

  // A second click right after is a click of its own, not a double click.
  click(find(*ax, app->window, "AXButton", "Press me"));
  ASSERT_TRUE(eventually([&] { return bool(find(*ax, app->window, "AXStaticText", "Pressed 2")); }));
  EXPECT_TRUE(log("double-press").empty());
}

TEST_F(Background, ADragMovesTheSlider) {
  auto slider = find(*ax, app->window, "AXSlider");
  ASSERT_TRUE(slider);
  Rect f{*attr(*ax, slider, "AXPosition").get<Point>(), *attr(*ax, slider, "AXSize").get<Size>()};
  Rect frame = clientWindow(app->windowId)->frame;
  auto inWindow = [&](Point p) { return Point{p.x - frame.origin.x, p.y - frame.origin.y}; };
  Point from{f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
  Point to{f.origin.x + f.size.width - 2, from.y};
  ++group;
  post(CGEventType::mouseMoved, from, inWindow(from));
  post(CGEventType::leftMouseDown, from, inWindow(from));
  for (int i = 1; i <= 8; ++i) {
    Point p{from.x + (to.x - from.x) * i / 8, from.y};
    post(CGEventType::leftMouseDragged, p, inWindow(p));
  }
  post(CGEventType::leftMouseUp, to, inWindow(to));
  EXPECT_TRUE(eventually([&] { return *attr(*ax, slider, "AXValue").get<double>() > 90; }, 5))
      << *attr(*ax, slider, "AXValue").get<double>();
}

TEST_F(Background, KeysAndTextReachTheFocusedWidgetAndTheKeyboardMapIsRestored) {
  auto mapBefore = KeyboardMap::read(display());
  auto entry = find(*ax, app->window, "AXTextField");
  record(1, app->windowId, 0);  // the second window is on top: make this one key
  click(entry);
  ASSERT_TRUE(eventually([&] { return !log("focus-widget").empty() && log("focus-widget").back()["widget"] == "entry"; }));

  for (const std::u16string& c : {std::u16string(u"H"), std::u16string(u"é"), std::u16string(u"€"),
                                  std::u16string(u"\U0001F600"), std::u16string(u"!")})
    text(c);
  EXPECT_TRUE(eventually([&] { return stringAttr(*ax, entry, "AXValue") == "Hé€😀!"; }, 5))
      << stringAttr(*ax, entry, "AXValue").value_or("<none>") << " " << json(log("key-press")).dump();
  EXPECT_EQ(KeyboardMap::read(display()), mapBefore);

  key(0, 0x100000);  // cmd+a selects all, as ctrl+a does
  key(51, 0);        // backspace
  EXPECT_TRUE(eventually([&] { return stringAttr(*ax, entry, "AXValue") == ""; }, 5));
  auto presses = log("key-press");
  ASSERT_GE(presses.size(), 2u);
  EXPECT_EQ(presses[presses.size() - 2]["name"], "a");
  EXPECT_TRUE(presses[presses.size() - 2]["state"].get<unsigned>() & ControlMask);
}

TEST_F(Background, MakeKeyRecordsAddressLaterKeysToThatWindow) {
  Value windows = attr(*ax, app->root, "AXWindows");
  uint32_t second = 0;
  for (const auto& w : *windows.get<Array>()) {
    uint32_t id = 0;
    if (ax->getWindow(*w.get<AXUIElement>(), &id) == 0 && id != app->windowId) second = id;
  }
  ASSERT_NE(second, 0u);
  for (uint32_t target : {second, app->windowId}) {
    record(13, target, 1);
    record(1, target, 0);
    record(2, target, 0);
    record(13, target, 2);
    key(49, 0);  // space
    std::string title = target == second ? "Dorv Sample 2" : "Dorv Sample";
    EXPECT_TRUE(eventually([&] { return !log("key-press").empty() && log("key-press").back()["window"] == title; }, 5));
  }
  // The focus records reached the window without moving the user's focus (see TearDown).
  EXPECT_FALSE(log("focus-in").empty());
}

class WidgetFactoryBehind : public Background {
  std::unique_ptr<TestApp> startTarget() override {
    return TestApp::start(*ax, {"/usr/bin/gtk3-widget-factory"});
  }
};

TEST_F(WidgetFactoryBehind, TheQuietMakeKeyAndThePrimerChangeNothingVisible) {
  Rect before = clientWindow(app->windowId)->frame;
  auto check = find(*ax, app->window, "AXCheckBox", "checkbutton");
  Value checked = attr(*ax, check, "AXValue");
  record(13, app->windowId, 1);
  record(1, app->windowId, 0);
  record(2, app->windowId, 0);
  record(13, app->windowId, 2);
  ++group;
  post(CGEventType::leftMouseDown, {-1, -1}, {-1, -1});
  post(CGEventType::leftMouseUp, {-1, -1}, {-1, -1});
  usleep(200000);
  EXPECT_EQ(clientWindow(app->windowId)->frame, before);  // client-side decorations: no resize
  EXPECT_EQ(*attr(*ax, check, "AXValue").get<int64_t>(), *checked.get<int64_t>());
  // The user's window keeps the focus (see TearDown).
}

TEST(Keymap, FindsKeysOfTheCurrentMap) {
  auto map = KeyboardMap::read(display());
  ASSERT_TRUE(map);
  auto lower = map->stroke('a'), upper = map->stroke('A');
  ASSERT_TRUE(lower && upper);
  EXPECT_EQ(lower->code, upper->code);
  EXPECT_EQ(lower->state, 0u);
  EXPECT_EQ(upper->state, unsigned(ShiftMask));
  EXPECT_FALSE(map->stroke(keysymForCodePoint(U'€')));
  EXPECT_FALSE(map->spareKeycodes().empty());
}

TEST(Keymap, ABorrowedKeyLastsWhileItsEventsAreHandledAndWhatAKilledRunLeftIsGivenBack) {
  auto before = KeyboardMap::read(display());
  ASSERT_TRUE(before);
  auto spare = before->spareKeycodes();
  ASSERT_FALSE(spare.empty());
  std::optional<KeyStroke> used;
  std::optional<KeyboardMap> during;
  EXPECT_TRUE(withKeyFor(keysymForCodePoint(U'€'), None, [&](const KeyStroke& s) {
    used = s;
    during = KeyboardMap::read(display());
  }));
  ASSERT_TRUE(used && during);
  EXPECT_EQ(during->stroke(keysymForCodePoint(U'€'))->code, used->code);
  EXPECT_EQ(KeyboardMap::read(display()), before);

  // A run killed while it held a borrowed key: its lock names a window that died with it.
  Display* killed = XOpenDisplay(nullptr);
  ASSERT_NE(killed, nullptr);
  Window root = DefaultRootWindow(killed);
  long holder = static_cast<long>(XCreateSimpleWindow(killed, root, 0, 0, 1, 1, 0, 0, 0));
  long code = spare.front();
  std::vector<KeySym> omega(static_cast<size_t>(before->keysymsPerKeycode()), keysymForCodePoint(U'Ω'));
  XChangeProperty(killed, root, XInternAtom(killed, "_DORV_KEYMAP_LOCK", False), XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&holder), 1);
  XChangeProperty(killed, root, XInternAtom(killed, "_DORV_BORROWED_KEYS", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&code), 1);
  XChangeKeyboardMapping(killed, static_cast<KeyCode>(code), before->keysymsPerKeycode(), omega.data(), 1);
  XCloseDisplay(killed);
  EXPECT_TRUE(withKeyFor(keysymForCodePoint(U'€'), None, [](const KeyStroke&) {}));
  EXPECT_EQ(KeyboardMap::read(display()), before);
}

TEST(Keymap, TranslatesKeyCodesFlagsAndCharacters) {
  EXPECT_EQ(keysymForMacKeyCode(0), KeySym(XK_a));
  EXPECT_EQ(keysymForMacKeyCode(51), KeySym(XK_BackSpace));
  EXPECT_EQ(keysymForMacKeyCode(116), KeySym(XK_Prior));
  EXPECT_FALSE(keysymForMacKeyCode(10));
  EXPECT_EQ(modifierState(0x100000), unsigned(ControlMask));
  EXPECT_EQ(modifierState(0x1E0000), unsigned(ControlMask | Mod1Mask | ShiftMask));
  EXPECT_EQ(keysymForCodePoint(U'é'), KeySym(0xe9));
  EXPECT_EQ(keysymForCodePoint(U'\n'), KeySym(XK_Return));
  EXPECT_EQ(keysymForCodePoint(U'😀'), KeySym(0x0101F600));
  EXPECT_EQ(keysymForCodePoint(0x07), KeySym(NoSymbol));
}

}  // namespace
}  // namespace platform::linux_desktop
