#include "accessibility/collect.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using namespace platform;

class Collect : public ::testing::Test {
 protected:
  scripted::ScriptedDesktop desktop;
  scripted::ScriptedAccessibility& ax = desktop.accessibility;
  AXUIElement window = ax.make("window", "AXWindow", {{0, 0}, {800, 600}});

  AXUIElement add(const AXUIElement& parent, const std::string& name, const std::string& role,
                  Rect frame = {{10, 10}, {20, 20}}, std::vector<std::string> actions = {}) {
    auto e = ax.make(name, role, frame, std::move(actions));
    ax.append(parent, e);
    return e;
  }
  AXUIElement staticText(const AXUIElement& parent, const std::string& name, Value value) {
    auto e = add(parent, name, "AXStaticText");
    ax.node(e).attributes.erase("AXTitle");
    if (!value.isNone()) ax.node(e).attributes["AXValue"] = value;
    return e;
  }
  static std::vector<std::string> labels(const Collection& c) {
    std::vector<std::string> out;
    for (const auto& e : c.interactive) out.push_back(e.label);
    return out;
  }
};

TEST_F(Collect, PreOrderWithActionableParentsAndChildren) {
  auto row = add(window, "row", "AXRow");
  add(row, "cell", "AXCell");
  auto group = add(window, "group", "AXGroup", {{0, 0}, {100, 100}}, {"AXPress"});
  add(group, "inGroup", "AXButton");
  add(window, "web", "AXWebArea", {{0, 0}, {100, 100}}, {"AXPress"});
  add(window, "image", "AXImage", {{0, 0}, {30, 30}}, {"AXPress"});
  auto roleless = add(window, "roleless", "", {{0, 0}, {30, 30}}, {"AXShowMenu", "AXPress"});
  ax.node(roleless).attributes.erase("AXRole");
  add(window, "plainImage", "AXImage");

  auto c = collect(window);
  EXPECT_EQ(labels(c), (std::vector<std::string>{"row", "cell", "inGroup", "image", "roleless"}));
  EXPECT_EQ(c.interactive[3].role, "AXImage");
  EXPECT_EQ(c.interactive[4].role, "");
  EXPECT_EQ(c.interactive[1].ref, ax.node(row).attributes["AXChildren"].get<Array>()->at(0).get<AXUIElement>()[0]);
  auto lines = describe(c.interactive, {0, 0});
  EXPECT_EQ(lines[4], "[4]  \"roleless\" @15,15");
  EXPECT_EQ(lines[3], "[3] Image \"image\" @15,15");
}

TEST_F(Collect, StopsAtThreeHundredElementsAndFourThousandVisits) {
  for (int i = 0; i < 500; ++i) add(window, "b" + std::to_string(i), "AXButton");
  auto c = collect(window);
  ASSERT_EQ(c.interactive.size(), 300u);
  EXPECT_EQ(c.interactive.front().label, "b0");
  EXPECT_EQ(c.interactive.back().label, "b299");
  // Once full, the rest are visited only to stop at once: no more reads than for the first 300.
  EXPECT_TRUE(desktop.log.starting("get b300").empty());

  // The root and 3998 groups take 3999 visits: the first button is visit 4000, the second 4001.
  auto wide = ax.make("wide", "AXWindow", {{0, 0}, {800, 600}});
  for (int i = 0; i < 3998; ++i) add(wide, "g" + std::to_string(i), "AXGroup");
  add(wide, "visit4000", "AXButton");
  add(wide, "visit4001", "AXButton");
  EXPECT_EQ(labels(collect(wide)), (std::vector<std::string>{"visit4000"}));
}

TEST_F(Collect, DepthSixtyIsTheDeepestLevel) {
  AXUIElement parent = window;
  for (int level = 1; level <= 59; ++level) parent = add(parent, "g" + std::to_string(level), "AXGroup");
  auto at60 = add(parent, "level60", "AXButton");
  add(at60, "level61", "AXButton");
  EXPECT_EQ(labels(collect(window)), (std::vector<std::string>{"level60"}));
}

TEST_F(Collect, SmallOrFramelessElementsAreSkippedButTheirChildrenVisited) {
  auto thin = add(window, "thin", "AXButton", {{0, 0}, {1, 50}});
  add(thin, "field", "AXTextField");
  auto negative = add(window, "negative", "AXButton", {{100, 100}, {-20, -20}});
  auto nan = add(window, "nan", "AXButton", {{0, 0}, {std::nan(""), 20}});
  auto frameless = add(window, "frameless", "AXButton");
  ax.node(frameless).attributes.erase("AXSize");
  auto tiny = staticText(nan, "tiny", Value("unread"));
  ax.node(tiny).attributes["AXSize"] = Value(Size{1, 1});
  (void)negative;
  auto c = collect(window);
  EXPECT_EQ(labels(c), (std::vector<std::string>{"field", "negative"}));
  EXPECT_TRUE(c.texts.empty());
  EXPECT_EQ(describe(c.interactive, {0, 0})[1], "[1] Button \"negative\" @90,90");
}

TEST_F(Collect, ValuesAreCutAndKeptEvenWhenEmpty) {
  auto field = add(window, "field", "AXTextField");
  ax.node(field).attributes["AXValue"] = Value(std::string(100, 'x'));
  auto empty = add(window, "empty", "AXTextField");
  ax.node(empty).attributes["AXValue"] = Value("");
  auto slider = add(window, "slider", "AXSlider");
  ax.node(slider).attributes["AXValue"] = Value(0.5);
  auto c = collect(window);
  EXPECT_EQ(c.interactive[0].value, std::string(80, 'x'));
  EXPECT_EQ(c.interactive[1].value, "");
  EXPECT_EQ(c.interactive[2].value, std::nullopt);
}

TEST_F(Collect, TextsFallBackToTheTitleAreTrimmedCutAndLimited) {
  staticText(window, "blank", Value(" \n "));
  auto blankWithTitle = staticText(window, "blankTitled", Value("\t"));
  ax.node(blankWithTitle).attributes["AXTitle"] = Value("not consulted");
  auto number = staticText(window, "number", Value(5));
  ax.node(number).attributes["AXTitle"] = Value("from title");
  staticText(window, "long", Value("\u2003 " + std::string(200, 'y') + "\n"));
  staticText(window, "none", Value());
  for (int i = 0; i < 80; ++i) staticText(window, "t" + std::to_string(i), Value("text " + std::to_string(i)));
  auto c = collect(window);
  ASSERT_EQ(c.texts.size(), 80u);
  EXPECT_EQ(c.texts[0], "from title");
  EXPECT_EQ(c.texts[1], std::string(120, 'y'));
  EXPECT_EQ(c.texts[2], "text 0");
  EXPECT_EQ(c.texts[79], "text 77");
}

TEST_F(Collect, AnUnreadableTreeGivesNothing) {
  ax.node(window).gone = AXErrorCode::cannotComplete;
  add(window, "b", "AXButton");
  auto c = collect(window);
  EXPECT_TRUE(c.interactive.empty());
  EXPECT_TRUE(c.texts.empty());
}

Element element(std::string role, std::string label, std::optional<std::string> value, Rect frame) {
  return Element{AXUIElement(), std::move(role), std::move(label), std::move(value), frame};
}

TEST(Describe, ThePiecesOfALine) {
  std::vector<Element> elements = {
      element("AXButton", "OK", std::nullopt, {{100, 50}, {40, 10}}),
      element("AXSearchField", "Search", "cats", {{290, 10}, {20, 20}}),
      element("AXTextField", "same", "same", {{0, 0}, {2, 2}}),
      element("AXTextField", "", "", {{0, 0}, {2, 2}}),
      element("AXAXButtonAX", "say \"hi\"\nthere", "a\"b", {{-30, -30}, {11, 11}}),
  };
  auto lines = describe(elements, {0, 10});
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "[0] Button \"OK\" @120,45");
  EXPECT_EQ(lines[1], "[1] SearchField \"Search\" value=\"cats\" @300,10");
  EXPECT_EQ(lines[2], "[2] TextField \"same\" @1,-9");
  EXPECT_EQ(lines[3], "[3] TextField \"\" @1,-9");
  // Truncation toward zero: -24.5 and -34.5 give -24 and -34.
  EXPECT_EQ(lines[4], "[4] Button \"say \"hi\"\nthere\" value=\"a\"b\" @-24,-34");
}

TEST(Describe, UnrepresentableCoordinatesAreMarkedNotPrinted) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<Element> elements = {
      element("AXButton", "a", std::nullopt, {{inf, 0}, {10, 10}}),
      element("AXButton", "b", std::nullopt, {{0, std::nan("")}, {10, 10}}),
      element("AXButton", "c", std::nullopt, {{1e19, -1e19}, {10, 10}}),
      element("AXButton", "d", std::nullopt, {{0, 0}, {inf, 10}}),
  };
  auto lines = describe(elements, {0, 0});
  EXPECT_EQ(lines[0], "[0] Button \"a\" @?,5");
  EXPECT_EQ(lines[1], "[1] Button \"b\" @5,?");
  EXPECT_EQ(lines[2], "[2] Button \"c\" @?,?");
  EXPECT_EQ(lines[3], "[3] Button \"d\" @?,5");
  EXPECT_EQ(describe(elements, {inf, 0})[1], "[1] Button \"b\" @?,?");
}

}  // namespace
}  // namespace dorv
