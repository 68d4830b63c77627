#include "accessibility/window_resolution.h"

#include <gtest/gtest.h>

#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using namespace platform;

TEST(RemoteToken, Layout) {
  EXPECT_EQ(remoteToken(1234, 5), (std::vector<uint8_t>{0xD2, 0x04, 0, 0, 0, 0, 0, 0, 0x6F, 0x63, 0x6F, 0x63,
                                                         5, 0, 0, 0, 0, 0, 0, 0}));
  auto token = remoteToken(-2, 0x0102030405060708);
  EXPECT_EQ(std::vector<uint8_t>(token.begin(), token.begin() + 4), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(std::vector<uint8_t>(token.begin() + 12, token.end()),
            (std::vector<uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
}

class WindowResolution : public ::testing::Test {
 protected:
  static constexpr int32_t pid = 30;
  scripted::ScriptedDesktop desktop;
  scripted::ScriptedAccessibility& ax = desktop.accessibility;
  scripted::ScriptedPrivateFramework& framework = desktop.privateFramework;
  RunningApplication app = desktop.workspace.add(pid, "Notes");
  AXUIElement application = ax.application(pid);

  // A window element numbered id, with an accessibility frame, listed by the window server.
  AXUIElement window(uint32_t id, bool onScreen = true, bool listedByAccessibility = true) {
    auto w = ax.make("w" + std::to_string(id), "AXWindow", {{double(id), 0}, {400, 300}});
    ax.node(w).windowNumber = id;
    desktop.windowServer.addWindow(pid, id, {{0, 0}, {500, 500}}, "title " + std::to_string(id), onScreen);
    if (listedByAccessibility) {
      auto& listed = ax.node(application).attributes["AXWindows"];
      Array windows = listed.get<Array>() ? *listed.get<Array>() : Array{};
      windows.push_back(Value(w));
      listed = Value(windows);
    }
    return w;
  }

  std::string failure(std::optional<uint32_t> id) {
    try {
      axWindow(app, id);
    } catch (const scripted::ExitCalled& exit) {
      EXPECT_EQ(exit.status, 1);
      return desktop.system.standardOutput;
    }
    ADD_FAILURE() << "axWindow returned";
    return "";
  }
  std::string noWindow() { return "\"" + app.localizedName.value_or("App") + " has no accessible window.\""; }
  static std::string notOneOf(uint32_t id) {
    return "\"Window " + std::to_string(id) + " isn't one of this app's accessible windows. Run `windows` for ids.\"";
  }
};

TEST_F(WindowResolution, WithoutANumberTheMainWindowWinsAndItsFrameIsTheAccessibilityFrame) {
  auto first = window(1);
  auto main = window(2);
  ax.node(application).attributes["AXMainWindow"] = Value(main);
  ax.node(application).attributes["AXFocusedWindow"] = Value(first);
  auto r = axWindow(app, std::nullopt);
  EXPECT_EQ(r.element, main);
  EXPECT_EQ(r.info.id, 2u);
  EXPECT_EQ(r.info.title, "title 2");
  EXPECT_TRUE(r.info.onScreen);
  EXPECT_EQ(r.info.frame, (Rect{{2, 0}, {400, 300}}));
  // Web accessibility is asked for first.
  EXPECT_EQ(desktop.log.starting("set app30"), (std::vector<std::string>{"set app30 AXManualAccessibility"}));

  // A main window that the window server does not list is passed over; a frameless window
  // takes the window server's frame.
  ax.node(main).windowNumber = 99;
  ax.node(first).attributes.erase("AXSize");
  r = axWindow(app, std::nullopt);
  EXPECT_EQ(r.element, first);
  EXPECT_EQ(r.info.frame, (Rect{{0, 0}, {500, 500}}));
}

TEST_F(WindowResolution, WithANumberOnlyThatWindowIsTaken) {
  window(1);
  auto second = window(2);
  auto r = axWindow(app, 2u);
  EXPECT_EQ(r.element, second);
  EXPECT_EQ(r.info.id, 2u);

  desktop.windowServer.addWindow(pid + 1, 7, {{0, 0}, {500, 500}});  // another application's
  framework.provideRemoteTokens();
  framework.provideSpaces();
  framework.spaces[7] = Value(Array{Value(1)});
  EXPECT_NE(failure(7u).find(notOneOf(7)), std::string::npos);
  EXPECT_EQ(framework.remoteTokenCalls, 0u);
}

TEST_F(WindowResolution, AnOnScreenOrSpacelessWindowThatAccessibilityMissesIsNotSearchedFor) {
  framework.provideRemoteTokens();
  framework.provideSpaces();
  window(3, true, false);
  framework.spaces[3] = Value(Array{Value(1)});
  EXPECT_NE(failure(3u).find(notOneOf(3)), std::string::npos);

  desktop.system.standardOutput.clear();
  window(4, false, false);  // off screen, and on no Space: the empty array
  EXPECT_NE(failure(4u).find(notOneOf(4)), std::string::npos);
  EXPECT_EQ(framework.remoteTokenCalls, 0u);
  EXPECT_EQ(desktop.log.starting("copySpaces"), (std::vector<std::string>{"copySpaces 1 7 4"}));
}

TEST_F(WindowResolution, AWindowOnAnotherSpaceIsFoundByRemoteToken) {
  framework.provideRemoteTokens();
  framework.provideSpaces();
  auto away = window(5, false, false);
  framework.spaces[5] = Value(Array{Value(4)});
  // Element 2 is a button of the wanted window that names its window; element 1 belongs to
  // a window not wanted.
  auto stranger = ax.make("stranger", "AXWindow", {{0, 0}, {50, 50}});
  ax.node(stranger).windowNumber = 6;
  auto button = ax.make("button", {{"AXRole", Value("AXButton")}, {"AXWindow", Value(away)}});
  ax.node(button).windowNumber = 5;
  framework.remoteElements[{pid, 1}] = stranger;
  framework.remoteElements[{pid, 2}] = button;

  auto r = axWindow(app, std::nullopt);
  EXPECT_EQ(r.element, away);
  EXPECT_EQ(r.info.frame, (Rect{{5, 0}, {400, 300}}));
  EXPECT_EQ(framework.remoteTokenCalls, 3u);
  EXPECT_EQ(framework.lastToken, remoteToken(pid, 2));

  desktop.system.standardOutput.clear();
  EXPECT_EQ(axWindow(app, 5u).element, away);
}

TEST_F(WindowResolution, TheSearchEndsAtItsDeadline) {
  framework.provideRemoteTokens();
  framework.remoteTokenCallSeconds = 0.25;
  EXPECT_FALSE(windowOnOtherSpaces(pid, {5}));
  // Eight calls reach the two seconds; the clock is read after each.
  EXPECT_EQ(framework.remoteTokenCalls, 8u);
  EXPECT_FALSE(windowOnOtherSpaces(pid, {}));
  EXPECT_EQ(framework.remoteTokenCalls, 8u);
}

TEST_F(WindowResolution, TheKeyWindowFallbackOnlyForAnApplicationWithoutAFocusedWindow) {
  framework.provideEventChannel();
  framework.provideSpaces();
  window(5, false, false);
  framework.spaces[5] = Value(Array{Value(4)});
  ax.node(application).attributes["AXFocusedWindow"] = Value(ax.make("focused but unlisted"));
  EXPECT_NE(failure(std::nullopt).find(noWindow()), std::string::npos);
  EXPECT_TRUE(framework.records.empty());
  EXPECT_TRUE(desktop.log.starting("sleep").empty());

  // Without a focused window the window is made key, but still none reads as focused.
  desktop.system.standardOutput.clear();
  ax.node(application).readErrors["AXFocusedWindow"] = AXErrorCode::noValue;
  EXPECT_NE(failure(5u).find(notOneOf(5)), std::string::npos);
  ASSERT_EQ(framework.records.size(), 4u);
  EXPECT_EQ(framework.records[0].bytes[60], 5);
}

TEST_F(WindowResolution, TheKeyWindowFallbackFindsTheWindowItMadeKey) {
  framework.provideEventChannel();
  auto away = window(5, false, false);
  auto post = std::any_cast<PrivateFunction::PostEventRecordTo>(framework.symbols["SLPSPostEventRecordTo"]);
  // The application reports the window focused once the records have reached it.
  framework.symbols["SLPSPostEventRecordTo"] = PrivateFunction::PostEventRecordTo(
      [&, post](const ProcessSerialNumber& psn, const std::array<uint8_t, 248>& bytes) {
        ax.node(application).attributes["AXFocusedWindow"] = Value(away);
        return post(psn, bytes);
      });
  ax.node(application).attributes["AXFocusedWindow"] = Value();
  auto r = axWindow(app, std::nullopt);
  EXPECT_EQ(r.element, away);
  EXPECT_EQ(r.info.id, 5u);
  EXPECT_EQ(desktop.log.starting("sleep").size(), 3u);
}

TEST_F(WindowResolution, NoWindowAtAll) {
  window(1, false, false);  // off screen, and on some Space since the Space calls are missing
  app.localizedName.reset();
  EXPECT_NE(failure(std::nullopt).find("\"App has no accessible window.\""), std::string::npos);
  // The search and the key-window change were tried only because the window is on a Space.
  EXPECT_EQ(desktop.log.starting("symbol _AXUIElementCreateWithRemoteToken").size(), 1u);
}

TEST_F(WindowResolution, SpacesOfAWindow) {
  EXPECT_TRUE(isOnASpace(1));  // the calls are missing
  scripted::ScriptedDesktop fresh;
  auto& f = fresh.privateFramework;
  f.provideSpaces();
  f.spaces[1] = Value(Array{Value(3)});
  f.spaces[2] = Value(Array{});
  f.spaces[3] = std::nullopt;
  f.spaces[4] = Value(Array{Value("3")});
  f.spaces[5] = Value(3);
  EXPECT_TRUE(isOnASpace(1));
  for (uint32_t id : {2u, 3u, 4u, 5u}) EXPECT_FALSE(isOnASpace(id)) << id;
  EXPECT_EQ(fresh.log.starting("symbol ").size(), 2u);  // each call looked up once
  f.symbols.erase("CGSMainConnectionID");
  EXPECT_FALSE(isOnASpace(2));  // still resolved from the first use
}

}  // namespace
}  // namespace dorv
