#include "apps/running.h"

#include <gtest/gtest.h>

#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::ActivationPolicy;
using platform::scripted::ScriptedDesktop;

int32_t pidOf(const std::string& name) {
  auto app = runningApp(name);
  return app ? app->processIdentifier : -1;
}

TEST(AppResolution, PidThenExactBundleIdThenNameIgnoringCase) {
  ScriptedDesktop desktop;
  desktop.workspace.add(123, "Safari", "com.apple.Safari");
  desktop.workspace.add(200, "123", "com.example.digits");
  desktop.workspace.add(300, "com.apple.safari", "org.other");
  desktop.workspace.add(400, "Safari", "com.second.Safari");
  desktop.workspace.add(500, "Agent", "com.example.agent", ActivationPolicy::accessory);
  desktop.workspace.add(600, "Firefox ESR", "firefox-esr");
  desktop.workspace.add(700, "Text Editor", "org.example.editor");
  desktop.workspace.add(800, "Text Viewer", "org.example.viewer");

  EXPECT_EQ(pidOf("123"), 123);   // a pid beats a name made of the same digits
  EXPECT_EQ(pidOf("+123"), 123);
  EXPECT_EQ(pidOf("999"), -1);    // no such process, and nothing named so
  EXPECT_EQ(pidOf("com.apple.Safari"), 123);
  EXPECT_EQ(pidOf("com.apple.safari"), 300);  // not a bundle id in this case, but a name
  EXPECT_EQ(pidOf("SAFARI"), 123);            // the first of two equal names
  EXPECT_EQ(pidOf("safari"), 123);
  EXPECT_EQ(pidOf("Safar"), -1);
  EXPECT_EQ(pidOf("agent"), 500);             // accessory applications resolve too
  EXPECT_EQ(pidOf("500"), 500);
  EXPECT_EQ(pidOf("firefox"), 600);           // the first word of one application's name
  EXPECT_EQ(pidOf("text"), -1);               // ... but not of two
}

TEST(AppResolution, FullUnicodeCaseFoldingAndCanonicalEquivalence) {
  ScriptedDesktop desktop;
  desktop.workspace.add(1, "Éditeur");              // precomposed
  desktop.workspace.add(2, "Straße");
  desktop.workspace.add(3, "ΣΟΦΙΑ");
  auto& unnamed = desktop.workspace.add(4, "");
  unnamed.localizedName.reset();

  EXPECT_EQ(pidOf("e\xCC\x81" "DITEUR"), 1);         // decomposed é
  EXPECT_EQ(pidOf("STRASSE"), -1);                   // lowercasing, not case folding to "ss"
  EXPECT_EQ(pidOf("straße"), 2);
  EXPECT_EQ(pidOf("σοφια"), 3);
  EXPECT_EQ(pidOf(""), -1);
}

}  // namespace
}  // namespace dorv
