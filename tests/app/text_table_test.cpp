#include "app/text_table.h"

#include <gtest/gtest.h>

#include "platform/fake/memory_resources.h"

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

app::TextTable TableOf(std::string_view text) {
    app::TextTable table;
    table.Parse(Bytes(text));
    return table;
}

struct LookupCase {
    const char* name;
    const char* text;
    const char* key;
    const char* expected;
};

class TextTableLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(TextTableLookupTest, FindsValue) {
    const LookupCase& c = GetParam();
    EXPECT_EQ(TableOf(c.text).GetText(c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TextTableLookupTest,
    testing::Values(
        LookupCase{"ClosedKey", "#Show_FPS#\r\nShow FPS\r\n", "show_fps", "Show FPS"},
        LookupCase{"LookupFoldsToo", "#Show_FPS#\r\nShow FPS\r\n", "SHOW_fps", "Show FPS"},
        LookupCase{"OpenKey", "#ok\r\nOK\r\n", "ok", "OK"},
        LookupCase{"OneExtraCharacter", "#ok!\r\nOK\r\n", "ok", "OK"},
        // Two characters after the key are too many.
        LookupCase{"TwoExtraCharacters", "#ok#!\r\nOK\r\n", "ok", ""},
        LookupCase{"PrefixOfLongerKey", "#about_window_text#\r\nx\r\n#about#\r\nAbout\r\n", "about",
                   "About"},
        // The last character of a key line keeps its case.
        LookupCase{"OpenKeyEndingInCapital", "#Show_FPS\r\nShow FPS\r\n", "show_fps", ""},
        LookupCase{"OpenKeyEndingInSmallLetter", "#About\r\nAbout\r\n", "about", "About"},
        LookupCase{"OpenKeyEndingInCapitalExact", "#AbouT\r\nx\r\n", "abouT", ""},
        LookupCase{"ValueMayBeEmpty", "#path#\r\n\r\n#x#\r\ny\r\n", "path", ""},
        LookupCase{"ValueMayLookLikeAKey", "#a#\r\n#b#\r\n#c#\r\nC\r\n", "a", "#b#"},
        LookupCase{"LastLineIsNeverAKey", "x\r\n#end#", "end", ""},
        LookupCase{"LastLineAfterFinalBreak", "x\r\n#end#\r\n", "end", ""},
        LookupCase{"MissingKey", "#a#\r\nA\r\n", "b", ""},
        LookupCase{"LineFeedsOnly", "#a#\nA\n", "a", "A"},
        LookupCase{"NonAsciiNotFolded", "#\xC0\xC1#\r\nv\r\n", "\xE0\xE1", ""},
        LookupCase{"SectionHeadersNeverMatch", "[ok]\r\nno\r\n#ok#\r\nyes\r\n", "ok", "yes"},
        LookupCase{"PercentKept", "#t#\r\na%b\r\n", "t", "a%b"}),
    [](const testing::TestParamInfo<LookupCase>& info) { return info.param.name; });

TEST(TextTable, DropsCarriageReturnsAndZeroBytes) {
    const std::string text("#a#\r\nA\r\0B\r\n", 11);
    EXPECT_EQ(TableOf(text).GetText("a"), "AB");
}

TEST(TextTable, FoldsKeyLinesBetweenFirstAndLastCharacterOnly) {
    const auto table = TableOf("#Visit_OUR_Site#\r\nValue In Case\r\nPlain LINE\r\n#AB\r\n");
    ASSERT_EQ(table.Lines().size(), 4u);
    EXPECT_EQ(table.Lines()[0], "#visit_our_site#");
    EXPECT_EQ(table.Lines()[1], "Value In Case");
    EXPECT_EQ(table.Lines()[2], "Plain LINE");
    EXPECT_EQ(table.Lines()[3], "#aB");
}

TEST(TextTable, KeepsTheFirstTwoHundredLines) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "#k" + std::to_string(i) + "#\r\nv" + std::to_string(i) + "\r\n";
    }
    const auto table = TableOf(text);
    ASSERT_EQ(table.Lines().size(), app::TextTable::kMaxLines);
    EXPECT_EQ(table.GetText("k0"), "v0");
    EXPECT_EQ(table.GetText("k99"), "v99");
    EXPECT_EQ(table.GetText("k100"), "");
}

TEST(TextTable, KeyOnTheTwoHundredthLineHasNoValue) {
    std::string text;
    for (int i = 0; i < 199; ++i) {
        text += "filler\r\n";
    }
    text += "#last#\r\nvalue\r\n";
    EXPECT_EQ(TableOf(text).GetText("last"), "");
}

TEST(TextTable, LoadReadsCustomData194) {
    platform::fake::MemoryResources resources;
    app::TextTable table;
    EXPECT_FALSE(table.Load(resources));
    resources.Add("CustomData", 193, std::string_view("#a#\r\nwrong\r\n"));
    resources.Add("CUSTOMDATA", 194, std::string_view("#a#\r\nright\r\n"));
    EXPECT_TRUE(table.Load(resources));
    EXPECT_EQ(table.GetText("a"), "right");
}

TEST(SplitAboutText, SplitsAtPercentIntoSevenLines) {
    const auto lines = app::SplitAboutText("Name%%one%two%three%four%five");
    const std::array<std::string, 7> expected = {"Name", "", "one", "two", "three", "four", "five"};
    EXPECT_EQ(lines, expected);
}

TEST(SplitAboutText, FewerMarksLeaveLaterLinesEmpty) {
    const auto lines = app::SplitAboutText("a%b");
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], "");
    }
}

TEST(SplitAboutText, MarksPastTheSixthStayOnTheSeventhLine) {
    const auto lines = app::SplitAboutText("1%2%3%4%5%6%7%8%%9");
    EXPECT_EQ(lines[5], "6");
    EXPECT_EQ(lines[6], "789");
}

}  // namespace
