#include "text/charset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"

namespace {

using text::CellRect;
using text::Charset;

udf::PropNode* Parse(udf::PropNode& root, const std::string& source) {
    udf::UdfTextParser parser;
    parser.setIncludesEnabled(false);
    EXPECT_TRUE(parser.parseText(source, root));
    return &root;
}

bool Read(Charset& charset, const std::string& source) {
    udf::PropNode root;
    Parse(root, source);
    return charset.Read(root);
}

CellRect Pixels(float l, float t, float r, float b, float side = 256.0f) {
    return {l / side, t / side, r / side, b / side};
}

const std::string kGrid14 =
    "CharsPerLine = 18; CharWidth = 14; CharHeight = 14; StartChar = 0; EndChar = 255;";

TEST(Charset, DefaultCellsFollowTheGridRowByRowAsWideAsTheirAdvance) {
    Charset charset;
    ASSERT_TRUE(Read(charset, kGrid14 + "Sizes[\"A\"] = 11; Sizes[\"B\"] = 9;"));
    charset.Layout(256, 256, 0, 0);
    // Code 65 is the twelfth cell of the fourth row.
    ASSERT_TRUE(charset.Rect('A'));
    EXPECT_EQ(*charset.Rect('A'), Pixels(154, 42, 165, 56));
    EXPECT_EQ(charset.Width('A'), 11u);
    EXPECT_EQ(*charset.Rect('B'), Pixels(168, 42, 177, 56));
    // The last column of a row, and the first of the next.
    EXPECT_EQ(charset.Rect(17)->left, 238 / 256.0f);
    EXPECT_EQ(*charset.Rect(18), Pixels(0, 14, 0, 28));
}

TEST(Charset, ExplicitRectanglesReplaceTheCellAndTheWidth) {
    Charset charset;
    ASSERT_TRUE(Read(charset,
                     "CharsPerLine = 4; CharWidth = 64; CharHeight = 64; EndChar = 255;"
                     "Sizes[\"m\"] = 59; Rects[\"m\"] = array(193, 128, 253, 191);"
                     "Rects[\"0\"] = array(1, 2, 3);"));
    charset.Layout(256, 256, 0, 0);
    EXPECT_EQ(*charset.Rect('m'), Pixels(193, 128, 253, 191));
    EXPECT_EQ(charset.Width('m'), 61u);
    // Three values are not a rectangle: the cell of "0" stays the grid's.
    const std::int32_t zero = '0';
    EXPECT_EQ(*charset.Rect(zero), Pixels(0, 768, 0, 832));
}

TEST(Charset, TheEndCodeGetsARectangleOnlyWhenOneIsGiven) {
    Charset plain;
    ASSERT_TRUE(Read(plain, kGrid14));
    plain.Layout(256, 256, 0, 0);
    EXPECT_TRUE(plain.Rect(254));
    EXPECT_FALSE(plain.Rect(255));
    EXPECT_EQ(plain.Width(255), 14u);

    Charset given;
    ASSERT_TRUE(Read(given, kGrid14 + "Rects[\"\xFF\"] = array(240, 240, 249, 253);"));
    given.Layout(256, 256, 0, 0);
    ASSERT_TRUE(given.Rect(255));
    EXPECT_EQ(*given.Rect(255), Pixels(240, 240, 249, 253));
    EXPECT_EQ(given.Width(255), 10u);
}

TEST(Charset, KeysNameCharactersByQuoteOrByNumber) {
    Charset charset;
    ASSERT_TRUE(Read(charset,
                     "CharsPerLine = 16; StartChar = 32; EndChar = 127;"
                     "Sizes = array(3, 4); Sizes[\"A\"] = 9; Sizes['B'] = 8; Sizes[10] = 6;"
                     "Rects[66] = array(0, 0, 4, 13);"));
    charset.Layout(128, 128, 0, 0);
    EXPECT_EQ(charset.Width(32), 3u);  // array element 0 is the first code
    EXPECT_EQ(charset.Width(33), 4u);
    EXPECT_EQ(charset.Width('A'), 9u);
    EXPECT_EQ(charset.Width(42), 6u);  // element 10
    // A Rects key that is a number is the character's code; its width replaces Sizes['B'].
    EXPECT_EQ(charset.Width('B'), 5u);
    EXPECT_EQ(*charset.Rect('B'), Pixels(0, 0, 4, 13, 128));
    // Codes outside the range have nothing.
    EXPECT_FALSE(charset.Rect(31));
    EXPECT_EQ(charset.Width(31), 0u);
}

TEST(Charset, AWidthThatIsNoNumberFailsTheCharset) {
    // Bytes inverted in the middle of a list of widths, as in a damaged file.
    const std::string cases[] = {"Sizes = array(4, 5, 8\xD3\xDF\xC8\xD3 10, 6);",
                                 "Sizes[\"A\"] = wide;", "Sizes = array(4, , 6);"};
    for (const std::string& sizes : cases) {
        Charset charset;
        EXPECT_FALSE(Read(charset, kGrid14 + sizes)) << sizes;
    }
    Charset charset;
    EXPECT_TRUE(Read(charset, kGrid14 + "Sizes = array(4, 5.5, -2, 1e1);"));
    EXPECT_EQ(charset.Width(3), 10u);
}

TEST(Charset, WithoutSizesEveryCharacterIsAsWideAsItsCell) {
    Charset charset;
    ASSERT_TRUE(Read(charset, "CharsPerLine = 8; CharWidth = 12; CharHeight = 20;"));
    charset.Layout(96, 640, 0, 0);
    EXPECT_EQ(charset.Width(9), 12u);
    EXPECT_EQ(*charset.Rect(9), CellRect({12 / 96.0f, 20 / 640.0f, 24 / 96.0f, 40 / 640.0f}));
}

TEST(Charset, CellsStartAtTheOriginOfASubTexture) {
    Charset charset;
    ASSERT_TRUE(Read(charset, "CharsPerLine = 2; CharWidth = 8; CharHeight = 8; Sizes[1] = 5;"));
    charset.Layout(64, 32, 16, 8);
    EXPECT_EQ(*charset.Rect(1), CellRect({24 / 64.0f, 8 / 32.0f, 29 / 64.0f, 16 / 32.0f}));
}

TEST(Charset, ATextureOfSizeZeroLeavesEveryRectangleEmpty) {
    Charset charset;
    ASSERT_TRUE(Read(charset, kGrid14 + "Rects[\"A\"] = array(1, 2, 3, 4);"));
    charset.Layout(0, 0, 0, 0);
    ASSERT_TRUE(charset.Rect('A'));
    EXPECT_EQ(*charset.Rect('A'), CellRect{});
    EXPECT_EQ(*charset.Rect('z'), CellRect{});
}

TEST(Charset, ColourKeyAsThreeChannelsOrAsOneNumber) {
    const struct {
        const char* source;
        std::uint32_t key;
    } cases[] = {
        {"ColorKey = array(255, 0, 255);", 0xFFFF00FFu},
        {"ColorKey = 16711935;", 0x00FF00FFu},
        {"ColorKey = -16711936;", 0xFF00FF00u},
        {"ColorKey.r = 18;", 0xFF120000u},
        {"ColorKey.g = 300; ColorKey.2 = 7;", 0xFF00FF07u},
        {"", 0u},
    };
    for (const auto& c : cases) {
        Charset charset;
        ASSERT_TRUE(Read(charset, std::string("CharsPerLine = 1;") + c.source)) << c.source;
        EXPECT_EQ(charset.ColorKey(), c.key) << c.source;
    }
}

TEST(Charset, FormatNamesMapAndUnknownOnesKeepTheDefault) {
    Charset a, b, c;
    ASSERT_TRUE(Read(a, "CharsPerLine = 1; Format = \"D3DFMT_A4R4G4B4\"; Name = \"x.png\";"));
    ASSERT_TRUE(Read(b, "CharsPerLine = 1; Format = \"D3DFMT_BOGUS\";"));
    ASSERT_TRUE(Read(c, "CharsPerLine = 1;"));
    EXPECT_EQ(a.Format(), gfx::D3DFMT_A4R4G4B4);
    EXPECT_EQ(a.TextureName(), "x.png");
    EXPECT_EQ(b.Format(), gfx::D3DFMT_A8R8G8B8);
    EXPECT_EQ(c.Format(), gfx::D3DFMT_A8R8G8B8);
    EXPECT_EQ(c.EndChar(), 256);
}

TEST(Charset, UnusableRangesAndGridsAreRefused) {
    const char* refused[] = {
        "StartChar = 0;",  // no CharsPerLine
        "CharsPerLine = 0;",
        "CharsPerLine = -4;",
        "CharsPerLine = 4; StartChar = 10; EndChar = 9;",
        "CharsPerLine = 4; StartChar = -1;",
        "CharsPerLine = 4; StartChar = 256; EndChar = 300;",
        "CharsPerLine = 4; StartChar = -2147483648; EndChar = 2147483647;",
    };
    for (const char* source : refused) {
        Charset charset;
        EXPECT_FALSE(Read(charset, source)) << source;
    }
}

TEST(Charset, IndicesBeyondTheArraysAreIgnored) {
    Charset charset;
    ASSERT_TRUE(Read(charset,
                     "CharsPerLine = 16; StartChar = 32; EndChar = 2000000000;"
                     "CharWidth = 2147483647; CharHeight = -2147483648;"
                     "Sizes[\"\x10\"] = 9; Sizes[100000] = 9; Sizes[-3] = 9; Sizes[400] = 9;"
                     "Rects[\"\x05\"] = array(1, 1, 2, 2); Rects[70000] = array(1, 1, 2, 2);"
                     "Rects[\"AB\"] = array(1, 1, 2, 2);"
                     "Rects[\"C\"] = array(-2147483648, 0, 2147483647, 5);"));
    // Codes are bytes: the end is cut to one past the last.
    EXPECT_EQ(charset.EndChar(), 256);
    charset.Layout(256, 256, 2147483647, -2147483647);
    EXPECT_FALSE(charset.Rect(5));
    EXPECT_FALSE(charset.Rect(16));
    EXPECT_FALSE(charset.Rect(256));
    EXPECT_FALSE(charset.Rect(70000));
    EXPECT_FALSE(charset.Rect(-1));
    EXPECT_EQ(charset.Width(16), 0u);
    ASSERT_TRUE(charset.Rect(255));
    EXPECT_TRUE(std::isfinite(charset.Rect(255)->right));
    EXPECT_EQ(charset.Width('C'), 255u);
    EXPECT_EQ(charset.Width('D'), 0u);
}

}  // namespace
