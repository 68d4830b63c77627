// gtest first: Xlib defines None.
#include <gtest/gtest.h>

#include "platform/linux/window_pairing.h"

namespace platform::linux_desktop {
namespace {

Rect rect(double x, double y, double w, double h) { return {{x, y}, {w, h}}; }

ClientWindow client(Rect c, Rect frame, std::string title = "", std::optional<Rect> content = std::nullopt) {
  ClientWindow w;
  w.client = c;
  w.frame = frame;
  w.content = content.value_or(c);
  w.title = std::move(title);
  return w;
}

TEST(WindowPairing, EachToolkitsExtentsFindTheirClientWindow) {
  struct Row {
    const char* toolkit;
    Rect extents;
    std::vector<ClientWindow> clients;
    size_t expected;
    std::optional<Point> origin;
  };
  const Rect elsewhere = rect(600, 300, 400, 300);
  const std::vector<Row> rows = {
      {"GTK3: the frame", rect(0, 0, 500, 400),
       {client(elsewhere, elsewhere), client(rect(0, 0, 500, 400), rect(0, 0, 500, 400))}, 1, std::nullopt},
      {"Qt: the client area", rect(290, 157, 700, 500),
       {client(rect(290, 157, 700, 500), rect(289, 137, 702, 525)), client(elsewhere, elsewhere)}, 0, std::nullopt},
      {"GTK4: no position, without the shadow", rect(0, 0, 355, 486),
       {client(rect(457, 164, 365, 496), rect(457, 164, 365, 496)), client(elsewhere, elsewhere)}, 0,
       Point{462, 169}},
      {"GTK4 with its shadow declared", rect(0, 0, 340, 480),
       {client(rect(100, 50, 360, 500), rect(100, 50, 360, 500), "", rect(110, 56, 340, 480)),
        client(elsewhere, elsewhere)},
       0, Point{110, 56}},
  };
  for (const Row& row : rows) {
    auto pairs = pairWindows({{row.extents, ""}}, row.clients);
    ASSERT_TRUE(pairs[0]) << row.toolkit;
    EXPECT_EQ(pairs[0]->client, row.expected) << row.toolkit;
    EXPECT_EQ(pairs[0]->origin, row.origin) << row.toolkit;
  }
}

TEST(WindowPairing, EqualGeometryGoesByTitleThenTheTopOfTheStackAndEachClientOnce) {
  const Rect same = rect(10, 10, 300, 200);
  std::vector<ClientWindow> clients = {client(same, same, "One"), client(same, same, "Two")};
  auto byTitle = pairWindows({{same, "One"}, {same, "Two"}}, clients);
  ASSERT_TRUE(byTitle[0] && byTitle[1]);
  EXPECT_EQ(byTitle[0]->client, 0u);
  EXPECT_EQ(byTitle[1]->client, 1u);
  auto untitled = pairWindows({{same, ""}, {same, ""}}, clients);
  ASSERT_TRUE(untitled[0] && untitled[1]);
  EXPECT_EQ(untitled[0]->client, 1u);  // the topmost first
  EXPECT_EQ(untitled[1]->client, 0u);
  // Nothing agrees: several windows stay unpaired, an only window goes with the only client.
  const Rect far = rect(900, 700, 50, 50);
  EXPECT_FALSE(pairWindows({{far, ""}, {far, ""}}, clients)[0]);
  auto only = pairWindows({{far, ""}}, {clients[0]});
  ASSERT_TRUE(only[0]);
  EXPECT_EQ(only[0]->client, 0u);
}

}  // namespace
}  // namespace platform::linux_desktop
