#include "host/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* NextByte(const char* text)
{
    return text + 1;
}

std::string Tail(const char* line)
{
    return CommandTail(line, NextByte);
}

TEST(CommandTail, StepsOverTheProgramNameAndWhiteSpace)
{
    EXPECT_EQ(Tail("velmarin.scr /s"), "/s");
    EXPECT_EQ(Tail("\"C:\\Program Files\\velmarin.scr\" /p 12"), "/p 12");
    EXPECT_EQ(Tail("\"C:\\a b.scr\"/s"), "/s");
    EXPECT_EQ(Tail("velmarin.scr\t\r\n /c"), "/c");
    EXPECT_EQ(Tail("\"unterminated /s"), "");
    EXPECT_EQ(Tail("velmarin.scr"), "");
    EXPECT_EQ(Tail("v\xE9lmarin.scr /s"), "/s"); // bytes of 128 and above are text
}

SaverMode Mode(const char* tail, std::string* argument = nullptr)
{
    const char* rest = nullptr;
    SaverMode mode = ParseCommandTail(tail, &rest);
    if (argument != nullptr) {
        *argument = rest != nullptr ? rest : "(none)";
    }
    return mode;
}

TEST(ParseCommandTail, FirstLetterAfterSpacesDashesAndSlashesCounts)
{
    EXPECT_EQ(Mode(""), MODE_CONFIGURE);
    EXPECT_EQ(Mode("  -/"), MODE_CONFIGURE);
    for (const char* tail : {"/c", "-C", "c", "/c:1234"}) {
        EXPECT_EQ(Mode(tail), MODE_CONFIGURE_FOREGROUND) << tail;
    }
    for (const char* tail : {"/s", "/S", "-s", "s", "/ - s", "/s /c"}) {
        EXPECT_EQ(Mode(tail), MODE_FULL_SCREEN) << tail;
    }
    for (const char* tail : {"/x", "/?", "/\ts", "\xC3s"}) {
        EXPECT_EQ(Mode(tail), MODE_INVALID) << tail;
    }
}

TEST(ParseCommandTail, PreviewAndPasswordTakeTheTextAfterTheirSpaces)
{
    std::string argument;
    for (const char* tail : {"/p 1234", "/p1234", "/P   1234", "/l 1234"}) {
        EXPECT_EQ(Mode(tail, &argument), MODE_PREVIEW) << tail;
        EXPECT_EQ(argument, "1234") << tail;
    }
    EXPECT_EQ(Mode("/p:1234", &argument), MODE_PREVIEW);
    EXPECT_EQ(argument, ":1234");
    EXPECT_EQ(Mode("/p\t12", &argument), MODE_PREVIEW);
    EXPECT_EQ(argument, "\t12"); // only blanks are skipped
    EXPECT_EQ(Mode("/a 77", &argument), MODE_CHANGE_PASSWORD);
    EXPECT_EQ(argument, "77");
    EXPECT_EQ(Mode("/a", &argument), MODE_CHANGE_PASSWORD);
    EXPECT_EQ(argument, "");
}

TEST(ParseWindowNumber, ReadsLeadingDigitsWrappingAt32Bits)
{
    EXPECT_EQ(ParseWindowNumber("1234"), 1234u);
    EXPECT_EQ(ParseWindowNumber("1234 x"), 1234u);
    EXPECT_EQ(ParseWindowNumber(":1234"), 0u);
    EXPECT_EQ(ParseWindowNumber(" 12"), 0u);
    EXPECT_EQ(ParseWindowNumber("-12"), 0u);
    EXPECT_EQ(ParseWindowNumber(""), 0u);
    EXPECT_EQ(ParseWindowNumber("4294967296"), 0u);
    EXPECT_EQ(ParseWindowNumber("42949672961"), 1u);
}

} // namespace
