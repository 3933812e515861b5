#include "app/default_settings.h"

#include <gtest/gtest.h>

#include "core/cp1251.h"
#include "platform/fake/memory_resources.h"
#include "platform/fake/recording_message_box.h"

namespace {

using Pair = std::pair<std::string, std::string>;
using Pairs = std::vector<Pair>;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

const std::string kBadLine = "неправильный формат файла def_settings.txt";
const std::string kMissingKey = "Не найден параметр в файле def_settings.txt";

struct ParseCase {
    const char* name;
    std::string text;
    Pairs pairs;
    int messageBoxes;
};

class DefaultsParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(DefaultsParseTest, GivesPairs) {
    const ParseCase& c = GetParam();
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(Bytes(c.text));
    EXPECT_EQ(defaults.Pairs(), c.pairs);
    EXPECT_EQ(static_cast<int>(box.shown.size()), c.messageBoxes);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DefaultsParseTest,
    testing::Values(
        ParseCase{"BlanksAndComment", "ShowFPS = true ;comment", {{"ShowFPS", "true"}}, 0},
        ParseCase{"BlanksInsideValue", "MW=1 024\r\n", {{"MW", "1024"}}, 0},
        ParseCase{"ControlCharacters",
                  "\tM\x01H\x1f=\x7f"
                  "6\x02"
                  "00",
                  {{"MH",
                    "\x7f"
                    "600"}},
                  0},
        ParseCase{"CrLfAndBareCr", "a=1\r\nb=2\rc=3", {{"a", "1"}, {"b", "2"}, {"c", "3"}}, 0},
        // A line feed alone is a control character inside the line, not its end.
        ParseCase{"LineFeedDoesNotEndLine", "a=1\nb=2\r\n", {{"a", "1b=2"}}, 0},
        ParseCase{"SecondLineFeedIsBlankLine", "a=1\r\n\nb=2", {{"a", "1"}, {"b", "2"}}, 0},
        ParseCase{"CommentAndEmptyLinesSkipped", ";x=1\r\n\r\n   \r\n;\r\nk=v", {{"k", "v"}}, 0},
        ParseCase{"SemicolonEndsValue", "url=http://a;b=c", {{"url", "http://a"}}, 0},
        ParseCase{"OnlyFirstEqualsSplits", "a=b=c", {{"a", "b=c"}}, 0},
        ParseCase{"EmptyNameAndValue", "=\r\nx=", {{"", ""}, {"x", ""}}, 0},
        ParseCase{"LineWithoutEquals", "garbage\r\nk=v", {{"garbage", "garbage"}, {"k", "v"}}, 1},
        ParseCase{"EqualsOnlyInComment", "abc;=1", {{"abc", "abc"}}, 1},
        ParseCase{"EmptyText", "", {}, 0}),
    [](const testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(DefaultSettings, LineWithoutEqualsShowsRussianTextAsUtf8WithoutOwner) {
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(Bytes("oops"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, kBadLine);
    EXPECT_EQ(box.shown[0].caption, "");
    EXPECT_EQ(box.shown[0].owner, 0u);
    EXPECT_EQ(box.shown[0].type, platform::MB_OK);
}

TEST(DefaultSettings, KeepsTheFirstHundredPairsAndIgnoresTheRest) {
    std::string text;
    for (int i = 0; i < 150; ++i) {
        text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    }
    text += "no equals here\r\n";
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(Bytes(text));
    ASSERT_EQ(defaults.Pairs().size(), app::DefaultSettings::kMaxPairs);
    EXPECT_EQ(defaults.Pairs().back(), Pair("k99", "99"));
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(defaults.GetDefault("k0"), "0");
    EXPECT_EQ(defaults.GetDefault("k120"), "");
}

TEST(DefaultSettings, GetDefaultFoldsAsciiCapitalsOnlyAndTakesTheFirstMatch) {
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    // "\xC0" is the Cyrillic capital A, "\xE0" its small letter: not folded.
    defaults.Parse(Bytes("MW=1024\r\nmw=2\r\nKey\xC0=cyr\r\n"));
    EXPECT_EQ(defaults.GetDefault("mw"), "1024");
    EXPECT_EQ(defaults.GetDefault("Mw"), "1024");
    EXPECT_EQ(defaults.GetDefault("KEY\xC0"), "cyr");
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(defaults.GetDefault("key\xE0"), "");
    ASSERT_EQ(box.shown.size(), 1u);
}

TEST(DefaultSettings, MissingKeyShowsMessageWithFoldedKeyAsCaption) {
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(Bytes("a=1"));
    EXPECT_EQ(defaults.GetDefault("No_Such_KEY"), "");
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, kMissingKey);
    EXPECT_EQ(box.shown[0].caption, "no_such_key");
}

TEST(DefaultValueToInt, ConvertsLikeTheTableMeansIt) {
    EXPECT_EQ(app::DefaultValueToInt("true"), 1);
    EXPECT_EQ(app::DefaultValueToInt("false"), 0);
    EXPECT_EQ(app::DefaultValueToInt("True"), 0);
    EXPECT_EQ(app::DefaultValueToInt("TRUE"), 0);
    EXPECT_EQ(app::DefaultValueToInt("1024"), 1024);
    EXPECT_EQ(app::DefaultValueToInt("32bit"), 32);
    EXPECT_EQ(app::DefaultValueToInt("x32"), 0);
    EXPECT_EQ(app::DefaultValueToInt(""), 0);
    EXPECT_EQ(app::DefaultValueToInt("-5"), 0);
    EXPECT_EQ(app::DefaultValueToInt("99999999999999999999"), INT32_MAX);
}

TEST(DefaultSettings, LoadDefaultsFillsEveryFieldWithItsConversion) {
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(
        Bytes("UseDktpSet=false\r\nExitOnMouseMove=1\r\nShowTime=0\r\n"
              "DigClock_24H=true\r\nMusic=false\r\nSFX=True\r\nMusicVolume=73\r\n"
              "ShowFPS=7\r\nGammControl=130\r\nAdapter=2\r\nMW=1 280\r\nMH=720\r\n"
              "MBitCount=16\r\n"));
    app::SaverSettings settings;
    settings.PhotoPath = "/keep/me.png";
    defaults.LoadDefaults(settings);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_FALSE(settings.UseDesktop);
    EXPECT_TRUE(settings.ExitOnMM);
    EXPECT_FALSE(settings.ShowTime);
    EXPECT_TRUE(settings.TimeStyle);
    EXPECT_FALSE(settings.Music);
    EXPECT_FALSE(settings.Sound);  // only lower-case "true" is true
    EXPECT_EQ(settings.Volume, 73);
    EXPECT_TRUE(settings.ShowFps);
    EXPECT_EQ(settings.Gamma, 30);
    EXPECT_EQ(settings.Adapter, 2);
    EXPECT_EQ(settings.Width, 1280);
    EXPECT_EQ(settings.Height, 720);
    EXPECT_EQ(settings.Depth, 16);
    EXPECT_EQ(settings.PhotoPath, "/keep/me.png");
}

TEST(DefaultSettings, LoadDefaultsAsksTheKeysInOrderAndZeroesMissingOnes) {
    platform::fake::RecordingMessageBox box;
    app::DefaultSettings defaults(box);
    defaults.Parse(Bytes("MW=640"));
    app::SaverSettings settings;
    settings.Volume = 50;
    settings.UseDesktop = true;
    defaults.LoadDefaults(settings);
    std::vector<std::string> captions;
    for (const auto& shown : box.shown) {
        captions.push_back(shown.caption);
    }
    const std::vector<std::string> expected = {
        "digclock_24h", "exitonmousemove", "gammcontrol", "mh",      "music",     "musicvolume",
        "showfps",      "showtime",        "usedktpset",  "adapter", "mbitcount", "sfx"};
    EXPECT_EQ(captions, expected);
    EXPECT_EQ(settings.Width, 640);
    EXPECT_EQ(settings.Volume, 0);
    EXPECT_FALSE(settings.UseDesktop);
    EXPECT_EQ(settings.Gamma, -100);
}

TEST(DefaultSettings, LoadReadsCustomData193) {
    platform::fake::RecordingMessageBox box;
    platform::fake::MemoryResources resources;
    app::DefaultSettings defaults(box);
    EXPECT_FALSE(defaults.Load(resources));
    EXPECT_TRUE(defaults.Pairs().empty());
    resources.Add("customdata", 193, std::string_view("Music=true"));
    resources.Add("CustomData", 194, std::string_view("Music=false"));
    EXPECT_TRUE(defaults.Load(resources));
    EXPECT_EQ(defaults.GetDefault("music"), "true");
}

}  // namespace
