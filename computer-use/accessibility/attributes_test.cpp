#include "accessibility/attributes.h"

#include <gtest/gtest.h>

#include "platform/scripted/desktop.h"

namespace dorv::ax {
namespace {

using namespace platform;

class Attributes : public ::testing::Test {
 protected:
  scripted::ScriptedDesktop desktop;
  scripted::ScriptedAccessibility& ax = desktop.accessibility;
};

TEST_F(Attributes, LabelTakesTheFirstNonEmptyStringAndCutsGraphemes) {
  auto e = ax.make("e", {{"AXTitle", Value("")}, {"AXDescription", Value(42)}, {"AXPlaceholderValue", Value(" ")}});
  EXPECT_EQ(label(e), " ");  // white space is a label; a number is skipped, not converted

  auto described = ax.make("d", {{"AXTitle", Value("")}, {"AXDescription", Value("Close")}});
  EXPECT_EQ(label(described), "Close");

  // 100 family emoji (each one grapheme of several code points) cut to 80 whole graphemes.
  std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
  std::string long_;
  for (int i = 0; i < 100; ++i) long_ += family;
  auto wide = ax.make("w", {{"AXTitle", Value(long_)}});
  std::string expected;
  for (int i = 0; i < 80; ++i) expected += family;
  EXPECT_EQ(label(wide), expected);

  auto valueOnly = ax.make("v", {{"AXValue", Value("typed")}});
  EXPECT_EQ(label(valueOnly), "typed");
  auto numberValue = ax.make("n", {{"AXValue", Value(3.5)}});
  EXPECT_EQ(label(numberValue), "");
  // An unreadable title falls through to the next attribute.
  auto unreadable = ax.make("u", {{"AXTitle", Value("hidden")}, {"AXIdentifier", Value("id-1")}});
  ax.node(unreadable).readErrors["AXTitle"] = AXErrorCode::cannotComplete;
  EXPECT_EQ(label(unreadable), "id-1");
}

TEST_F(Attributes, TextAndStringValueDifferOnEmptyStrings) {
  auto field = ax.make("f", {{"AXRole", Value("")}, {"AXValue", Value("")}, {"AXTitle", Value(7)}});
  EXPECT_EQ(text(field, "AXRole"), std::nullopt);
  EXPECT_EQ(text(field, "AXValue"), std::nullopt);
  EXPECT_EQ(text(field, "AXTitle"), std::nullopt);
  EXPECT_EQ(stringValue(field), "");
  ax.node(field).attributes["AXValue"] = Value(12);
  EXPECT_EQ(stringValue(field), std::nullopt);

  // A successful read of no value is a value for attr, not for text.
  auto none = ax.make("n", {{"AXFocusedWindow", Value()}});
  ASSERT_TRUE(attr(none, "AXFocusedWindow").has_value());
  EXPECT_TRUE(attr(none, "AXFocusedWindow")->isNone());
  EXPECT_FALSE(attr(none, "AXMissing").has_value());
  EXPECT_FALSE(element(attr(none, "AXFocusedWindow")));
}

TEST_F(Attributes, FrameNeedsBothPartsAndZeroesAPartOfAnotherType) {
  auto noSize = ax.make("a", {{"AXPosition", Value(Point{1, 2})}});
  EXPECT_EQ(frame(noSize), std::nullopt);
  EXPECT_TRUE(desktop.log.starting("get a AXSize").size() == 1);

  auto noPosition = ax.make("b", {{"AXSize", Value(Size{3, 4})}});
  EXPECT_EQ(frame(noPosition), std::nullopt);
  EXPECT_TRUE(desktop.log.starting("get b AXSize").empty());  // the size is not read

  auto wrongType = ax.make("c", {{"AXPosition", Value(Size{5, 6})}, {"AXSize", Value(Size{3, 4})}});
  EXPECT_EQ(frame(wrongType), (Rect{{0, 0}, {3, 4}}));
  auto emptyPosition = ax.make("d", {{"AXPosition", Value()}, {"AXSize", Value(Size{3, 4})}});
  EXPECT_EQ(frame(emptyPosition), std::nullopt);
}

TEST_F(Attributes, ListsAreAllOrNothing) {
  auto e = ax.make("e");
  ax.node(e).actions = Value(Array{Value("AXPress"), Value("AXShowMenu")});
  EXPECT_EQ(actions(e), (std::vector<std::string>{"AXPress", "AXShowMenu"}));
  ax.node(e).actionsError = AXErrorCode::failure;  // the code is not looked at
  EXPECT_EQ(actions(e).size(), 2u);
  ax.node(e).actions = Value(Array{Value("AXPress"), Value(1)});
  EXPECT_TRUE(actions(e).empty());

  auto a = ax.make("a"), b = ax.make("b");
  ax.append(e, a);
  ax.append(e, b);
  EXPECT_EQ(children(e), (std::vector<AXUIElement>{a, b}));
  ax.node(e).attributes["AXChildren"] = Value(Array{Value(a), Value("b")});
  EXPECT_TRUE(children(e).empty());
  ax.node(e).attributes["AXChildren"] = Value(a);
  EXPECT_TRUE(children(e).empty());
}

TEST_F(Attributes, ACallOnAnApplicationThatQuitGivesNoValue) {
  auto e = ax.make("e", "AXButton", {{0, 0}, {10, 10}}, {"AXPress"});
  ax.node(e).windowNumber = 3;
  ax.node(e).settable.insert("AXFocused");
  EXPECT_TRUE(settable(e, "AXFocused"));
  EXPECT_FALSE(settable(e, "AXValue"));
  ax.node(e).gone = AXErrorCode::invalidElement;
  EXPECT_TRUE(actions(e).empty());
  EXPECT_FALSE(settable(e, "AXFocused"));
  EXPECT_EQ(windowServerId(e), std::nullopt);
  EXPECT_EQ(label(e), "");
  EXPECT_EQ(frame(e), std::nullopt);
}

TEST_F(Attributes, InWindowFallsBackToTheElementsWindow) {
  auto window = ax.make("window");
  ax.node(window).windowNumber = 42;
  auto button = ax.make("button", {{"AXWindow", Value(window)}});
  EXPECT_EQ(inWindow(button, 42), button);
  EXPECT_FALSE(inWindow(button, 43));

  // The element's own number wins over its window's.
  ax.node(button).windowNumber = 7;
  EXPECT_EQ(inWindow(button, 7), button);
  EXPECT_FALSE(inWindow(button, 42));

  auto orphan = ax.make("orphan", {{"AXWindow", Value("not an element")}});
  EXPECT_FALSE(inWindow(orphan, 0));
  auto unnumbered = ax.make("unnumbered", {{"AXWindow", Value(ax.make("w2"))}});
  EXPECT_FALSE(inWindow(unnumbered, 0));
}

}  // namespace
}  // namespace dorv::ax
