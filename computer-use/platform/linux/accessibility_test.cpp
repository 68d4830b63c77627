// The AT-SPI backend against real GTK applications on the headless desktop.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>

#include "platform/linux/atspi_call_batch.h"
#include "platform/linux/atspi_roles.h"
#include "platform/linux/atspi_test_app.h"
#include "platform/linux/atspi_tree_reading.h"
#include "platform/linux/x11.h"
#include "platform/window_server.h"

#include <X11/Xutil.h>

namespace platform::linux_desktop {
namespace {

using testing::attr;
using testing::eventually;
using testing::find;
using testing::stringAttr;
using testing::TestApp;

class SampleApp : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ax->isProcessTrusted());
    app = TestApp::start(*ax, {testing::sampleApp});
    ASSERT_NE(app, nullptr);
  }
  AXUIElement element(const std::string& role, const std::string& title = "") {
    return find(*ax, app->window, role, title);
  }
  Rect frame(const AXUIElement& e) {
    return Rect{*attr(*ax, e, "AXPosition").get<Point>(), *attr(*ax, e, "AXSize").get<Size>()};
  }
  std::unique_ptr<Accessibility> ax = makeAccessibility();
  std::unique_ptr<TestApp> app;
};

TEST_F(SampleApp, MapsRolesTitlesAndValues) {
  EXPECT_EQ(stringAttr(*ax, app->root, "AXRole"), "AXApplication");
  EXPECT_EQ(stringAttr(*ax, app->window, "AXRole"), "AXWindow");
  EXPECT_EQ(stringAttr(*ax, app->window, "AXTitle"), "Dorv Sample");
  EXPECT_TRUE(element("AXButton", "Press me"));
  EXPECT_TRUE(element("AXMenuBar"));
  EXPECT_TRUE(element("AXTabGroup"));
  EXPECT_TRUE(element("AXTab", "Second"));
  EXPECT_TRUE(element("AXStaticText", "Ready"));
  EXPECT_TRUE(element("AXTextArea"));
  EXPECT_TRUE(element("AXPopUpButton"));

  auto check = element("AXCheckBox", "Enable feature");
  ASSERT_TRUE(check);
  EXPECT_EQ(*attr(*ax, check, "AXValue").get<int64_t>(), 0);
  auto entry = element("AXTextField");
  ASSERT_TRUE(entry);
  EXPECT_EQ(stringAttr(*ax, entry, "AXValue"), "");  // empty, but a value
  EXPECT_EQ(stringAttr(*ax, entry, "AXPlaceholderValue"), "Type here");
  auto slider = element("AXSlider");
  ASSERT_TRUE(slider);
  EXPECT_EQ(*attr(*ax, slider, "AXValue").get<double>(), 50);
  EXPECT_EQ(stringAttr(*ax, element("AXStaticText", "Ready"), "AXValue"), "Ready");

  // Unsupported on Linux, so the core takes no pause for it.
  Value v;
  EXPECT_NE(ax->copyAttributeValue(app->root, "AXManualAccessibility", &v), 0);
  EXPECT_NE(ax->setAttributeValue(app->root, "AXManualAccessibility", true), 0);
}

TEST_F(SampleApp, ActionsAreNamedInTheCoreVocabulary) {
  Value names;
  ax->copyActionNames(element("AXButton", "Press me"), &names);
  ASSERT_NE(names.get<Array>(), nullptr);
  EXPECT_EQ(*names.get<Array>()->at(0).get<std::string>(), "AXPress");
  // An entry's activate is Enter, not a press.
  ax->copyActionNames(element("AXTextField"), &names);
  for (const auto& n : *names.get<Array>()) EXPECT_NE(*n.get<std::string>(), "AXPress");
  ax->copyActionNames(app->window, &names);
  EXPECT_EQ(*names.get<Array>()->back().get<std::string>(), "AXRaise");
}

TEST_F(SampleApp, WindowsMatchTheirClientWindowsAndFrames) {
  auto client = clientWindow(app->windowId);
  ASSERT_TRUE(client);
  EXPECT_EQ(client->pid, app->pid);
  EXPECT_EQ(frame(app->window), client->frame);
  Value windows = attr(*ax, app->root, "AXWindows");
  ASSERT_NE(windows.get<Array>(), nullptr);
  EXPECT_EQ(*windows.get<Array>()->at(0).get<AXUIElement>(), app->window);

  // Elements inside the window have no number of their own but know their window.
  auto button = element("AXButton", "Press me");
  uint32_t id = 0;
  EXPECT_NE(ax->getWindow(button, &id), 0);
  EXPECT_EQ(*attr(*ax, button, "AXWindow").get<AXUIElement>(), app->window);
  EXPECT_EQ(*attr(*ax, app->window, "AXParent").get<AXUIElement>(), app->root);
}

TEST_F(SampleApp, AMinimisedWindowIsStillListedAndMatched) {
  Display* d = display();
  XIconifyWindow(d, app->windowId, DefaultScreen(d));
  XSync(d, False);
  ASSERT_TRUE(eventually([&] { return !clientWindow(app->windowId)->viewable; }));
  ASSERT_TRUE(eventually([&] {
    auto bits = states(*atspiElement(app->window));
    return bits && hasState(*bits, ATSPI_STATE_ICONIFIED);
  }));
  EXPECT_EQ(*attr(*ax, app->window, "AXMinimized").get<bool>(), true);
  uint32_t id = 0;
  ASSERT_EQ(ax->getWindow(app->window, &id), 0);
  EXPECT_EQ(id, app->windowId);
  Value windows = attr(*ax, app->root, "AXWindows");
  ASSERT_EQ(windows.get<Array>()->size(), 1u);
}

TEST_F(SampleApp, HitTestingFindsTheDeepestElementOfTheTopWindow) {
  auto button = element("AXButton", "Press me");
  Rect f = frame(button);
  float x = float(f.origin.x + f.size.width / 2), y = float(f.origin.y + f.size.height / 2);
  AXUIElement hit;
  // The window manager may still be placing the window when the test begins.
  ASSERT_TRUE(eventually([&] { return ax->copyElementAtPosition(app->root, x, y, &hit) == 0; }));
  // The button or the label inside it.
  AXUIElement pressable = hit;
  if (stringAttr(*ax, hit, "AXRole") != "AXButton") pressable = *attr(*ax, hit, "AXParent").get<AXUIElement>();
  EXPECT_EQ(pressable, button);

  // Another application's window on top hides this one from the hit test.
  auto cover = TestApp::start(*ax, {testing::sampleApp, "--title", "Cover"});
  ASSERT_NE(cover, nullptr);
  auto coverFrame = clientWindow(cover->windowId)->frame;
  ASSERT_TRUE(eventually([&] {
    auto clients = clientWindows();
    return !clients.empty() && clients.back().id == cover->windowId;
  }));
  float cx = float(coverFrame.origin.x + 40), cy = float(coverFrame.origin.y + 60);
  ASSERT_TRUE(eventually([&] {
    AXUIElement underCover;
    return ax->copyElementAtPosition(app->root, cx, cy, &underCover) != 0;
  }));
}

TEST_F(SampleApp, PressAndSetsTakeEffectInTheBackground) {
  auto active = activeWindow();
  ASSERT_EQ(ax->performAction(element("AXButton", "Press me"), "AXPress"), 0);
  EXPECT_TRUE(eventually([&] { return bool(element("AXStaticText", "Pressed 1")); }));

  auto check = element("AXCheckBox", "Enable feature");
  ASSERT_EQ(ax->performAction(check, "AXPress"), 0);
  EXPECT_TRUE(eventually([&] { return *attr(*ax, check, "AXValue").get<int64_t>() == 1; }));

  auto slider = element("AXSlider");
  bool settable = false;
  ax->isAttributeSettable(slider, "AXValue", &settable);
  EXPECT_TRUE(settable);
  ASSERT_EQ(ax->setAttributeValue(slider, "AXValue", 80.0), 0);
  EXPECT_EQ(*attr(*ax, slider, "AXValue").get<double>(), 80);

  auto entry = element("AXTextField");
  ax->isAttributeSettable(entry, "AXSelectedText", &settable);
  EXPECT_TRUE(settable);
  ASSERT_EQ(ax->setAttributeValue(entry, "AXSelectedText", "héllo 😀"), 0);
  ASSERT_EQ(ax->setAttributeValue(entry, "AXSelectedText", "!"), 0);
  EXPECT_EQ(stringAttr(*ax, entry, "AXValue"), "héllo 😀!");
  EXPECT_EQ(activeWindow(), active);
}

TEST_F(SampleApp, RaiseRestacksWithoutActivating) {
  auto cover = TestApp::start(*ax, {testing::sampleApp, "--title", "Cover"});
  ASSERT_NE(cover, nullptr);
  ASSERT_TRUE(eventually([&] { return activeWindow() == Window(cover->windowId); }));
  ASSERT_EQ(ax->performAction(app->window, "AXRaise"), 0);
  EXPECT_TRUE(eventually([&] { return clientWindows().back().id == app->windowId; }));
  EXPECT_EQ(activeWindow(), Window(cover->windowId));
  EXPECT_EQ(*attr(*ax, app->root, "AXFrontmost").get<bool>(), false);
  EXPECT_FALSE(attr(*ax, app->root, "AXFocusedWindow").get<AXUIElement>());

  ASSERT_EQ(ax->setAttributeValue(app->root, "AXFrontmost", true), 0);
  EXPECT_TRUE(eventually([&] { return activeWindow() == Window(app->windowId); }));
}

TEST_F(SampleApp, AnApplicationThatStopsAnsweringIsGivenUpOnAfterOneTimeLimit) {
  auto button = element("AXButton", "Press me");
  forgetReadings();  // which would answer without asking
  kill(app->pid, SIGSTOP);
  Value v;
  EXPECT_NE(ax->copyAttributeValue(button, "AXEnabled", &v), 0);
  EXPECT_FALSE(answering(atspiElement(button)->accessible()));
  // Every later call is refused at once, also through other elements of the application.
  EXPECT_NE(ax->copyAttributeValue(app->window, "AXChildren", &v), 0);
  Value names;
  EXPECT_NE(ax->copyActionNames(button, &names), 0);
}

TEST_F(SampleApp, CallsSentTogetherToAnApplicationThatStopsAnsweringWaitOneTimeLimitInAll) {
  AtspiAccessible* root = atspiElement(app->root)->accessible();
  kill(app->pid, SIGSTOP);
  CallBatch batch(root);
  int answered = 0;
  for (int i = 0; i < 20; ++i)
    batch.getProperty(ATSPI_OBJECT(root)->path, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "ChildCount",
                      [&](DBusMessageIter*) { ++answered; });
  const auto start = std::chrono::steady_clock::now();
  batch.await();
  // Twenty limits one after another would be half a minute.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3 * atspiCallLimitMs));
  EXPECT_EQ(answered, 0);
  EXPECT_FALSE(answering(root));
}

TEST(WidgetFactory, MapsTheThirdPartyWindow) {
  auto ax = makeAccessibility();
  auto app = TestApp::start(*ax, {"/usr/bin/gtk3-widget-factory"});
  ASSERT_NE(app, nullptr);
  auto window = app->window;
  EXPECT_EQ(stringAttr(*ax, window, "AXSubrole"), "AXStandardWindow");
  EXPECT_TRUE(find(*ax, window, "AXCheckBox", "checkbutton"));
  EXPECT_TRUE(find(*ax, window, "AXRadioButton", "Page 2"));
  EXPECT_TRUE(find(*ax, window, "AXComboBox"));  // the combo boxes with an entry
  EXPECT_TRUE(find(*ax, window, "AXIncrementor"));
  EXPECT_TRUE(find(*ax, window, "AXCell", "Andrea"));
  EXPECT_TRUE(find(*ax, window, "AXTableColumnHeader", "Name"));  // by the general rule
  // Items of closed menus are not laid out and have no frame.
  auto item = find(*ax, window, "AXMenuItem", "Donald Duck");
  ASSERT_TRUE(item);
  Value position;
  EXPECT_NE(ax->copyAttributeValue(item, "AXPosition", &position), 0);
  // Its frame is its client window's (client-side decorations: no extents).
  EXPECT_EQ((Rect{*attr(*ax, window, "AXPosition").get<Point>(), *attr(*ax, window, "AXSize").get<Size>()}),
            clientWindow(app->windowId)->frame);
}

// A node as a reading of the tree gave it.
struct ReadNode {
  AXUIElement node;
  std::optional<ReadObject> read;
  std::vector<AXUIElement> children;
};

uint64_t askedStates(AtspiAccessible* accessible) {
  AtspiStateSet* set = atspi_accessible_get_state_set(accessible);
  GArray* list = atspi_state_set_get_states(set);
  uint64_t bits = 0;
  for (guint i = 0; i < list->len; ++i) bits |= uint64_t{1} << g_array_index(list, AtspiStateType, i);
  g_array_free(list, TRUE);
  g_object_unref(set);
  return bits;
}

void gather(const AXUIElement& node, std::vector<ReadNode>& out) {
  const AtspiElement& e = *atspiElement(node);
  auto bulk = children(e);
  const ReadObject* read = readObject(e.accessible());
  out.push_back({node, read ? std::optional(*read) : std::nullopt, bulk});
  for (const auto& child : bulk) gather(child, out);
}

// The icon browser's title bar is the window's first child but reports another index.
// gtk3-demo is mostly tree views, whose cells the toolkit's cache leaves out.
class ThirdParty : public ::testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Gtk3, ThirdParty,
                         ::testing::Values("/usr/bin/gtk3-widget-factory", "/usr/bin/gtk3-icon-browser",
                                           "/usr/bin/gtk3-demo"),
                         [](const ::testing::TestParamInfo<std::string>& program) {
                           std::string name = program.param.substr(program.param.rfind('/') + 1);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_P(ThirdParty, TheTreeReadInBulkIsTheTreeTheApplicationAnswersCallByCall) {
  auto ax = makeAccessibility();
  auto app = TestApp::start(*ax, {GetParam()});
  ASSERT_NE(app, nullptr);
  forgetReadings();
  std::vector<ReadNode> nodes;
  gather(app->window, nodes);  // well within one reading's lifetime
  int fromReading = 0;
  for (const auto& [node, read, bulk] : nodes) {
    const AtspiElement& e = *atspiElement(node);
    auto calls = childrenCallByCall(e);
    ASSERT_EQ(bulk.size(), calls.size());
    for (size_t i = 0; i < bulk.size(); ++i) EXPECT_TRUE(bulk[i] == calls[i]);
    if (!read) continue;
    ++fromReading;
    GError* error = nullptr;
    EXPECT_EQ(read->role, atspi_accessible_get_role(e.accessible(), &error));
    gchar* name = atspi_accessible_get_name(e.accessible(), &error);
    EXPECT_EQ(read->name, name ? name : "");
    g_free(name);
    AtspiComponent* component = atspi_accessible_get_component_iface(e.accessible());
    ASSERT_EQ(read->offers(ATSPI_DBUS_INTERFACE_COMPONENT), component != nullptr);
    if (component != nullptr && !isWindowRole(read->role)) {
      AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
      ASSERT_TRUE(rect);
      if (read->hidden()) {
        EXPECT_FALSE(read->extents);
        EXPECT_EQ(rect->x, INT_MIN);  // how GTK places what it does not draw
      } else {
        ASSERT_TRUE(read->extents);
        EXPECT_EQ((std::array{rect->x, rect->y, rect->width, rect->height}),
                  (std::array{read->extents->x, read->extents->y, read->extents->width, read->extents->height}));
      }
      g_free(rect);
    }
    if (component != nullptr) g_object_unref(component);
    if (read->states) {
      // Focus may move to another test's application meanwhile.
      const uint64_t focus = uint64_t{1} << ATSPI_STATE_FOCUSED;
      EXPECT_EQ(*read->states & ~focus, askedStates(e.accessible()) & ~focus);
    }
    if (read->text) {
      gchar* text = atspi_text_get_text(ATSPI_TEXT(e.accessible()), 0, -1, &error);
      EXPECT_EQ(*read->text, text ? text : "");
      g_free(text);
    }
    if (read->currentValue) {
      EXPECT_EQ(*read->currentValue, atspi_value_get_current_value(ATSPI_VALUE(e.accessible()), &error));
    }
    if (read->accessibleId) {
      gchar* id = atspi_accessible_get_accessible_id(e.accessible(), &error);
      EXPECT_EQ(*read->accessibleId, id ? id : "");
      g_free(id);
    }
    ASSERT_EQ(error, nullptr);
  }
  // Also what the toolkit's cache leaves out is added to the reading.
  EXPECT_EQ(fromReading, static_cast<int>(nodes.size()));
}

}  // namespace
}  // namespace platform::linux_desktop
