#include "input/keyboard.h"

#include <gtest/gtest.h>

#include "core/result.h"
#include "platform/scripted/desktop.h"

namespace dorv {
namespace {

using platform::scripted::ScriptedDesktop;
namespace type = platform::CGEventType;

TEST(ParseChord, ModifiersInAnyCaseOrderAndRepetitionEmptyPiecesDropped) {
  ScriptedDesktop desktop;
  struct Case {
    const char* chord;
    uint16_t code;
    uint64_t flags;
  };
  for (const Case& c : std::initializer_list<Case>{{"cmd+shift+t", 17, 0x120000},
                                                   {"Shift+CMD+T", 17, 0x120000},
                                                   {"Return", 36, 0},
                                                   {"enter", 36, 0},
                                                   {"ctrl+alt+delete", 51, 0xC0000},
                                                   {"command+meta+a", 0, 0x100000},
                                                   {"opt+option+esc", 53, 0x80000},
                                                   {"+cmd++t+", 17, 0x100000},
                                                   {"control+=", 24, 0x40000}}) {
    Chord chord = parseChord(c.chord);
    EXPECT_EQ(chord.code, c.code) << c.chord;
    EXPECT_EQ(chord.flags, c.flags) << c.chord;
  }
}

TEST(ParseChord, AnUnknownModifierIsReportedBeforeAnUnknownKey) {
  ScriptedDesktop desktop;
  const std::pair<const char*, const char*> cases[] = {{"Hyper+T", "Unknown modifier \"hyper\""},
                                                       {"a+b", "Unknown modifier \"a\""},
                                                       {"cmd+hyper+f1", "Unknown modifier \"hyper\""},
                                                       {"cmd + t", "Unknown modifier \"cmd \""},
                                                       {"ÜBER+t", "Unknown modifier \"über\""},
                                                       {"Cmd+F1", "Unknown key in \"Cmd+F1\""},
                                                       {"cmd+", "Unknown key in \"cmd+\""},
                                                       {"", "Unknown key in \"\""},
                                                       {"+", "Unknown key in \"+\""},
                                                       {"shift+ t", "Unknown key in \"shift+ t\""},
                                                       {"`", "Unknown key in \"`\""}};
  for (const auto& [chord, message] : cases) {
    desktop.system.standardOutput.clear();
    EXPECT_THROW(parseChord(chord), platform::scripted::ExitCalled) << chord;
    EXPECT_EQ(Json::parse(desktop.system.standardOutput)["error"], message);
  }
}

TEST(PostKey, DownAndUpCarryTheFlagsEachFollowedByItsPause) {
  ScriptedDesktop desktop;
  postKey(77, 17, 0x120000);
  EXPECT_EQ(desktop.log.calls,
            (std::vector<std::string>{"postToPid 77", "sleep 20000", "postToPid 77", "sleep 20000"}));
  ASSERT_EQ(desktop.events.posted.size(), 2u);
  EXPECT_EQ(desktop.events.posted[0].type, type::keyDown);
  EXPECT_EQ(desktop.events.posted[1].type, type::keyUp);
  for (const auto& e : desktop.events.posted) EXPECT_EQ(e.flags, 0x120000u);
}

TEST(PostText, OnePairPerUserPerceivedCharacterCarryingAllItsUTF16Units) {
  ScriptedDesktop desktop;
  postText(5, "");
  EXPECT_TRUE(desktop.log.calls.empty());
  // A combining accent, a flag, a skin-toned emoji, CR LF, a letter beyond the BMP, a ZWJ family.
  postText(5, "e\xCC\x81🇫🇷👍🏽\r\n𝒜👨‍👩‍👧");
  const std::vector<std::u16string> characters{u"e\u0301", u"🇫🇷", u"👍🏽",
                                               u"\r\n",    u"𝒜",  u"👨‍👩‍👧"};
  const auto& posted = desktop.events.posted;
  ASSERT_EQ(posted.size(), 2 * characters.size());
  for (size_t i = 0; i < posted.size(); ++i) {
    EXPECT_EQ(posted[i].type, i % 2 ? type::keyUp : type::keyDown);
    EXPECT_EQ(posted[i].unicode, characters[i / 2]);
    EXPECT_EQ(posted[i].keyCode, 0);
    EXPECT_EQ(posted[i].flags, 0u);
  }
  EXPECT_EQ(desktop.log.starting("sleep"), std::vector<std::string>(characters.size(), "sleep 8000"));
}

}  // namespace
}  // namespace dorv
