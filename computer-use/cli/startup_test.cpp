#include "cli/startup.h"

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "core/paths.h"
#include "core/result.h"
#include "cli/run_for_test.h"

namespace dorv {
namespace {

using platform::scripted::ScriptedDesktop;

const std::string usage =
    "dorv-computer-use apps | windows <app> | screenshot <app> [--window id] [--out png]\n"
    "                  | click <app> (--index n | --at x,y) | type <app> --text s [--index n] [--keys]\n"
    "                  | key <app> <chord> | drag <app> --from x,y --to x,y | open <app> [url]\n"
    "                  | focus <app> [--window id]\n"
    "screenshot, click, type, key and drag take --say \"text\": a subtitle on Dorv's live preview\n";

const std::string permissionFile = "/home/user/.dorv/computer-use/needs-permission";

TEST(Usage, PrintedForHelpNothingAndUnknownWordsEvenWithoutPermission) {
  ScriptedDesktop desktop;
  for (bool trusted : {true, false}) {
    desktop.accessibility.trusted = trusted;
    for (auto words : std::vector<std::vector<std::string>>{{}, {"help"}, {"help", "apps"}}) {
      auto result = runProgram(desktop, words);
      EXPECT_EQ(result.output, usage);
      EXPECT_EQ(result.status, 0);
    }
  }
  EXPECT_FALSE(desktop.system.fileExists(permissionFile));

  desktop.accessibility.trusted = true;
  for (auto words : std::vector<std::vector<std::string>>{{"HELP"}, {"Apps"}, {"--say", "hi", "apps"}, {"live2"}}) {
    auto result = runProgram(desktop, words);
    EXPECT_EQ(result.output, usage) << words[0];
    EXPECT_EQ(result.status, 0);
  }
}

TEST(PermissionGate, RefusesEveryWordButTheListingsAndAsksTheHost) {
  ScriptedDesktop desktop;
  desktop.accessibility.trusted = false;
  desktop.system.now = 1'700'000'000.25;

  for (auto words : std::vector<std::vector<std::string>>{{"HELP"}, {"screenshot", "x"}, {"--say", "hi", "apps"}}) {
    desktop.system.files.clear();
    auto result = runProgram(desktop, words);
    EXPECT_EQ(result.status, 1);
    auto object = Json::parse(result.output);
    EXPECT_EQ(object, (Json{{"ok", false},
                            {"frontmost", "?"},
                            {"error",
                             "Accessibility isn't granted to Dorv, the app that launched this helper. Dorv is "
                             "opening its setup panel; tell the user to grant Accessibility and Screen Recording "
                             "there."}}));
    ASSERT_TRUE(desktop.system.fileExists(permissionFile));
    EXPECT_EQ(*desktop.system.readFile(permissionFile, 1024), "{\"at\":1700000000250.0}");
    for (const auto& [path, body] : desktop.system.files) EXPECT_FALSE(path.ends_with(".tmp")) << path;
  }

  desktop.system.files.clear();
  EXPECT_EQ(runProgram(desktop, {"apps"}).status, 0);
  EXPECT_EQ(runProgram(desktop, {"windows", "nothing"}).status, 1);  // fails on the name, not the gate
  EXPECT_FALSE(desktop.system.fileExists(permissionFile));
}

TEST(PermissionGate, AFailedWriteLeavesNoRequestAndStillFails) {
  ScriptedDesktop desktop;
  desktop.accessibility.trusted = false;
  desktop.system.unwritable.insert(permissionFile + ".4242-5eed.tmp");
  EXPECT_EQ(runProgram(desktop, {"click", "x"}).status, 1);
  EXPECT_FALSE(desktop.system.fileExists(permissionFile));
}

TEST(Options, TakeTheFirstPairAndLeaveLoneFlags) {
  ScriptedDesktop desktop;
  args = {"a", "--index", "--at", "b", "--index", "7"};
  EXPECT_EQ(option("--index"), "--at");  // a value is taken even when it looks like a flag
  EXPECT_EQ(args, (std::vector<std::string>{"a", "b", "--index", "7"}));
  EXPECT_EQ(option("--index"), "7");
  EXPECT_EQ(option("--index"), std::nullopt);
  args = {"a", "--out"};
  EXPECT_EQ(option("--out"), std::nullopt);
  EXPECT_EQ(args, (std::vector<std::string>{"a", "--out"}));
}

TEST(Options, WindowAndSayAreTakenBeforeDispatchWhereverTheyStand) {
  ScriptedDesktop desktop;
  desktop.workspace.add(7, "Notes");

  auto result = runProgram(desktop, {"windows", "--window", "abc", "Notes"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(windowOption, std::nullopt);

  runProgram(desktop, {"windows", "Notes", "--window", "+12", "--say", "first", "--say", "second"});
  EXPECT_EQ(windowOption, 12u);
  EXPECT_EQ(sayOption, "first");
  EXPECT_EQ(args, (std::vector<std::string>{"Notes", "--say", "second"}));

  for (auto value : {"4294967296", "-1", " 3", "3x", ""}) {
    runProgram(desktop, {"windows", "Notes", "--window", value});
    EXPECT_EQ(windowOption, std::nullopt) << value;
  }
  runProgram(desktop, {"windows", "Notes", "--window", "4294967295"});
  EXPECT_EQ(windowOption, 4294967295u);

  // A lone trailing flag stays behind as a positional argument.
  runProgram(desktop, {"windows", "Notes", "--window"});
  EXPECT_EQ(windowOption, std::nullopt);
  EXPECT_EQ(args, (std::vector<std::string>{"Notes", "--window"}));

  EXPECT_EQ(runProgram(desktop, {"apps", "--window", "3"}).status, 0);
}

TEST(Startup, RemembersTheFrontApplicationAndStartsWithoutStolenFocus) {
  ScriptedDesktop desktop;
  desktop.workspace.add(7, "Notes");
  desktop.workspace.frontmostPid = 7;
  stoleFocus = true;
  runProgram(desktop, {"key", "Notes", "escape"});
  ASSERT_TRUE(previousFront.has_value());
  EXPECT_EQ(previousFront->processIdentifier, 7);
  EXPECT_FALSE(stoleFocus);
  EXPECT_EQ(command, "key");
  EXPECT_EQ(activityDir, "/home/user/.dorv/computer-use");
  EXPECT_EQ(windowsPath, "/home/user/.dorv/computer-use/windows.json");
}

}  // namespace
}  // namespace dorv
