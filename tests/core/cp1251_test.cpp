#include "core/cp1251.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1251, CyrillicAndPunctuationBecomeUtf8) {
    EXPECT_EQ(core::Cp1251ToUtf8("\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED"), "Не найден");
    EXPECT_EQ(core::Cp1251ToUtf8("\xA8\xB8\xB9\x88\x96\xAB\xBB"), "Ёё№€–«»");
    EXPECT_EQ(core::Cp1251ToUtf8("\xC0\xDF\xE0\xFF"), "АЯая");
    EXPECT_EQ(core::Cp1251ToUtf8("plain ASCII"), "plain ASCII");
    EXPECT_EQ(core::Cp1251ToUtf8(std::string_view("\0a", 2)), std::string("\0a", 2));
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(core::Utf8ToCp1251(core::Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
    EXPECT_EQ(core::Utf8ToCp1251("Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(core::Utf8ToCp1251("日本"), "??");
    EXPECT_EQ(core::Utf8ToCp1251("a\xFF"
                                 "b"),
              "a?b");
    EXPECT_EQ(core::Utf8ToCp1251("a\xD0"), "a?");          // cut short
    EXPECT_EQ(core::Utf8ToCp1251("\xC0\xAF"), "??");       // overlong '/'
    EXPECT_EQ(core::Utf8ToCp1251("\xED\xA0\x80"), "???");  // surrogate
    EXPECT_EQ(core::Utf8ToCp1251("\xF0\x9F\x98\x80!"), "?!");
}

}  // namespace
