// The program's texts as UTF-8 bytes: every length of sequence at its
// edges, and what no UTF-8 text can hold.
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Encoded(char32_t code)
{
    wxString text;
    text += wxUniChar(static_cast<wxUint32>(code));
    return ToUtf8(text);
}

TEST(TextToUtf8, EachSequenceLengthAtItsEdges)
{
    EXPECT_EQ(std::string(1, '\0'), Encoded(0x00));
    EXPECT_EQ("\x7F", Encoded(0x7F));
    EXPECT_EQ("\xC2\x80", Encoded(0x80));
    EXPECT_EQ("\xDF\xBF", Encoded(0x7FF));
    EXPECT_EQ("\xE0\xA0\x80", Encoded(0x800));
    EXPECT_EQ("\xED\x9F\xBF", Encoded(0xD7FF));
    EXPECT_EQ("\xEE\x80\x80", Encoded(0xE000));
    EXPECT_EQ("\xEF\xBF\xBF", Encoded(0xFFFF));
    EXPECT_EQ("\xF0\x90\x80\x80", Encoded(0x10000));
    EXPECT_EQ("\xF4\x8F\xBF\xBF", Encoded(0x10FFFF));
}

TEST(TextToUtf8, WhatUtf8CannotHoldBecomesTheReplacementCharacter)
{
    for (const char32_t code : {char32_t(0xD800), char32_t(0xDBFF), char32_t(0xDC00), char32_t(0xDFFF),
                                char32_t(0x110000), char32_t(0x1FFFFF), char32_t(0x7FFFFFFF)})
        EXPECT_EQ("\xEF\xBF\xBD", Encoded(code)) << std::hex << static_cast<unsigned long>(code);
}

TEST(TextToUtf8, ReadsBackWhatFromUtf8Made)
{
    for (const std::string& text : {std::string(), std::string("plain"),
                                    std::string("caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x80\x8F"), std::string("a\0b", 3)})
        EXPECT_EQ(text, ToUtf8(FromUtf8(text)));
    EXPECT_EQ("caf\xC3\xA9", ToUtf8(FromUtf8("caf\xE9"))) << "a stray byte reads as Latin-1";
}

}  // namespace
