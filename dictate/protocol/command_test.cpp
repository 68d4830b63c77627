#include "protocol/command.h"

#include <gtest/gtest.h>

namespace dictate {
namespace {

TEST(CommandWord, OnlyAStringCmdOfAnObjectCounts) {
  EXPECT_EQ(commandWord(R"({"cmd":"start"})"), "start");
  EXPECT_EQ(commandWord(" {\"x\":[1], \"cmd\" : \"STOP\"}\r"), "STOP");
  EXPECT_EQ(commandWord(R"({"cmd":""})"), "");
  for (const char* ignored : {"", "start", R"(["start"])", R"("start")", R"({"cmd":5})", R"({"cmd":{"a":1}})",
                              R"({"Cmd":"start"})", R"({"cmd":"start"} trailing)"})
    EXPECT_FALSE(commandWord(ignored)) << ignored;
}

}  // namespace
}  // namespace dictate
