#include "core/result.h"

#include <gtest/gtest.h>

#include "core/run_state.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::scripted::ScriptedDesktop;

TEST(Layout, SortsKeysByCodePointAtEveryLevel) {
  Json value = Json::parse(R"({"b":1,"a":[{"z":true,"é":"x","Z":""}],"A":{"y":[],"x":{}}})");
  EXPECT_EQ(prettyJson(value),
            "{\n"
            "  \"A\" : {\n"
            "    \"x\" : {},\n"
            "    \"y\" : []\n"
            "  },\n"
            "  \"a\" : [\n"
            "    {\n"
            "      \"Z\" : \"\",\n"
            "      \"z\" : true,\n"
            "      \"é\" : \"x\"\n"
            "    }\n"
            "  ],\n"
            "  \"b\" : 1\n"
            "}");
}

TEST(Layout, EscapesByTheJsonRulesAndKeepsUtf8) {
  Json value = {{"t", "say \"hi\" \\ \n\t\x01 Grüße 日本 👍🏽"}};
  std::string text = prettyJson(value);
  EXPECT_EQ(text, "{\n  \"t\" : \"say \\\"hi\\\" \\\\ \\n\\t\\u0001 Grüße 日本 👍🏽\"\n}");
  EXPECT_EQ(Json::parse(text), value);
  // A title with broken UTF-8 must not end the run without an answer.
  std::string broken = prettyJson(Json{{"t", std::string("ab\xff\xfe")}});
  EXPECT_NO_THROW(Json::parse(broken));
}

TEST(Emit, AddsFrontmostAtPrintingTimeAndStoleFocusOnlyWhenSet) {
  ScriptedDesktop desktop;
  stoleFocus = false;
  emit(Json{{"ok", true}});
  EXPECT_EQ(desktop.system.standardOutput, "{\n  \"frontmost\" : \"?\",\n  \"ok\" : true\n}\n");

  auto& unnamed = desktop.workspace.add(8, "");
  unnamed.localizedName.reset();
  desktop.workspace.frontmostPid = 8;
  desktop.system.standardOutput.clear();
  emit(Json{{"ok", true}});
  EXPECT_EQ(Json::parse(desktop.system.standardOutput)["frontmost"], "?");

  desktop.workspace.add(7, "Finder \"2\"");
  desktop.workspace.frontmostPid = 7;
  stoleFocus = true;
  desktop.system.standardOutput.clear();
  EXPECT_THROW(fail("went wrong"), platform::scripted::ExitCalled);
  EXPECT_EQ(Json::parse(desktop.system.standardOutput),
            (Json{{"ok", false}, {"error", "went wrong"}, {"frontmost", "Finder \"2\""}, {"stoleFocus", true}}));
  stoleFocus = false;
}

}  // namespace
}  // namespace dorv
