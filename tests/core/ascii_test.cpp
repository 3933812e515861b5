#include "core/ascii.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(Ascii, OnlyTheAsciiLettersChangeCase) {
    // Windows-1251 capitals and small letters (0xC0 and 0xE0) stay as they are.
    EXPECT_EQ(AsciiLowered("Media\\CLOCK.udf \xC0\xE0 @[`{"), "media\\clock.udf \xC0\xE0 @[`{");
    EXPECT_EQ(AsciiUpper('z'), 'Z');
    EXPECT_EQ(AsciiUpper('{'), '{');
    EXPECT_TRUE(AsciiEqualsIgnoringCase("MemFile", "MEMFILE"));
    EXPECT_FALSE(AsciiEqualsIgnoringCase("\xC0", "\xE0"));
    EXPECT_FALSE(AsciiEqualsIgnoringCase("Music", "Musi"));
    EXPECT_FALSE(AsciiEqualsIgnoringCase("@", "`"));
}

TEST(Ascii, HexDigitsOfEitherCase) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    for (const char c : {'g', 'G', '/', ':', '@', '`', ' ', '\xC0'}) {
        EXPECT_EQ(HexDigitValue(c), -1) << c;
    }
}

}  // namespace
}  // namespace core
