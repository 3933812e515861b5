#include "text/time_overlay.h"

#include <gtest/gtest.h>

#include <string>

#include "../render/fake_device_fixture.h"
#include "text/font_store.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/search_paths.h"

namespace {

using text::GlyphQuad;
using text::TextWindow;
using text::TimeOverlay;
using text::WindowRect;

TEST(TimeOverlay, ClockWindowSizesFollowTheWidthOfTheDrawingArea) {
    const struct {
        int clientWidth;
        bool twentyFourHour;
        WindowRect rect;
    } cases[] = {
        {1024, true, {200, 300, 290, 74}},  {800, true, {200, 300, 226, 57}},
        {1024, false, {200, 300, 350, 74}}, {800, false, {200, 300, 273, 57}},
        {1920, true, {200, 300, 543, 138}}, {1280, false, {200, 300, 437, 92}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::ClockWindowRect(c.clientWidth / 1024.0, c.twentyFourHour), c.rect)
            << c.clientWidth << (c.twentyFourHour ? " 24h" : " 12h");
    }
}

TEST(TimeOverlay, WindowsExistOnlyForTheTextsAskedFor) {
    TimeOverlay overlay;
    overlay.Create(true, false, true, 1.0);
    ASSERT_TRUE(overlay.FrameRateWindow());
    EXPECT_FALSE(overlay.ClockWindow());
    EXPECT_EQ(overlay.FrameRateWindow()->Rect(), text::kFrameRateWindow);
    EXPECT_EQ(overlay.FrameRateWindow()->Text(), "100");
    EXPECT_EQ(overlay.FrameRateWindow()->Style().key.size, 64);
    // Setting a text for a window that isn't there does nothing.
    overlay.SetTimeText("1:00:00 pm", 1024, 768);

    overlay.Create(false, true, false, 0.5);
    EXPECT_FALSE(overlay.FrameRateWindow());
    ASSERT_TRUE(overlay.ClockWindow());
    EXPECT_EQ(overlay.ClockWindow()->Text(), "11");
    EXPECT_EQ(overlay.ClockWindow()->Style().scale, 0.5);
    EXPECT_EQ(overlay.ClockWindow()->Style().textColour, 0xFFFFFFFFu);
}

TEST(TimeOverlay, TheClockMovesToTheBottomRightCornerWithEveryText) {
    TimeOverlay overlay;
    overlay.Create(true, true, true, 1.0);
    overlay.SetTimeText("21:05:03 ", 1024, 768);
    EXPECT_EQ(overlay.ClockWindow()->Text(), "21:05:03 ");
    EXPECT_EQ(overlay.ClockWindow()->Rect(), WindowRect({734, 694, 290, 74}));
    // A resized drawing area moves it on the next frame.
    overlay.SetTimeText("21:05:04 ", 800, 600);
    EXPECT_EQ(overlay.ClockWindow()->Rect(), WindowRect({510, 526, 290, 74}));
    overlay.SetFrameRateText("60");
    EXPECT_EQ(overlay.FrameRateWindow()->Text(), "60");
    EXPECT_EQ(overlay.FrameRateWindow()->Rect(), text::kFrameRateWindow);
}

// A style of one charset: 8 x 16 cells, 4 a row, on a 32 x 64 texture, "A" 5 wide, "B" with an
// explicit 6 x 12 rectangle.
class TextLayout : public ::testing::Test {
protected:
    void SetUp() override {
        udf::PropNode root;
        udf::UdfTextParser parser;
        ASSERT_TRUE(
            parser.parseText("CharsPerLine = 4; CharWidth = 8; CharHeight = 16;"
                             "StartChar = 64; EndChar = 80; Sizes[\"A\"] = 5;"
                             "Sizes[\"C\"] = 8; Rects[\"B\"] = array(8, 0, 13, 11);",
                             root));
        auto charset = std::make_unique<text::Charset>();
        ASSERT_TRUE(charset->Read(root));
        charset->Layout(32, 64, 0, 0);
        entry.charsets.push_back(std::move(charset));
    }
    TextWindow Window(WindowRect rect, double scale, std::string text) {
        text::TextStyle style;
        style.scale = scale;
        return TextWindow(rect, style, std::move(text));
    }
    text::StyleEntry entry;
};

TEST_F(TextLayout, CharactersStandOnTheBottomOfTheLineWithTruncatedScaledSizes) {
    // "z" has no glyph and takes no room.
    const auto quads = Window({100, 50, 400, 100}, 1.5, "AzBA").Layout(entry);
    ASSERT_EQ(quads.size(), 3u);
    // 5 x 1.5 = 7.5 -> 7 wide, 16 x 1.5 = 24 tall; the line is 24 tall.
    EXPECT_FLOAT_EQ(quads[0].left, 100);
    EXPECT_FLOAT_EQ(quads[0].right, 107);
    EXPECT_FLOAT_EQ(quads[0].top, 50);
    EXPECT_FLOAT_EQ(quads[0].bottom, 74);
    EXPECT_EQ(quads[0].uv, (text::CellRect{8 / 32.0f, 0, 13 / 32.0f, 16 / 64.0f}));
    // "B": its rectangle is 6 wide -> 9, and its cell height 24, on the same line.
    EXPECT_FLOAT_EQ(quads[1].left, 107);
    EXPECT_FLOAT_EQ(quads[1].right, 116);
    EXPECT_FLOAT_EQ(quads[1].bottom, 74);
    EXPECT_EQ(quads[1].uv, (text::CellRect{8 / 32.0f, 0, 13 / 32.0f, 11 / 64.0f}));
    EXPECT_FLOAT_EQ(quads[2].left, 116);
    EXPECT_EQ(Window({0, 0, 1, 1}, 1.5, "AzBA").TextWidth(entry), 23);
}

TEST_F(TextLayout, QuadsAreClippedToTheWindowWithTheirTextureRectangles) {
    // Three "C"s of 8 pixels in a window 20 wide and 12 tall: the third is cut to 4 x 12, the
    // rest of the line (and everything below 12) is not drawn.
    const auto quads = Window({10, 20, 20, 12}, 1.0, "CCCC").Layout(entry);
    ASSERT_EQ(quads.size(), 3u);
    const GlyphQuad& cut = quads[2];
    EXPECT_FLOAT_EQ(cut.left, 26);
    EXPECT_FLOAT_EQ(cut.right, 30);
    EXPECT_FLOAT_EQ(cut.top, 20);
    EXPECT_FLOAT_EQ(cut.bottom, 32);
    // "C" is cell (3, 0): u from 24/32, half of its 8 texels; v three quarters of its 16.
    EXPECT_FLOAT_EQ(cut.uv.left, 24 / 32.0f);
    EXPECT_FLOAT_EQ(cut.uv.right, 28 / 32.0f);
    EXPECT_FLOAT_EQ(cut.uv.top, 0);
    EXPECT_FLOAT_EQ(cut.uv.bottom, 12 / 64.0f);
    // A window left of the text, or empty, shows nothing.
    EXPECT_TRUE(Window({10, 20, 0, 12}, 1.0, "CC").Layout(entry).empty());
    EXPECT_TRUE(Window({10, 20, -5, -5}, 1.0, "CC").Layout(entry).empty());
    EXPECT_TRUE(Window({10, 20, 30, 30}, 0.01, "CC").Layout(entry).empty());
}

// The overlay's texts in the shipped digit font.
class ShippedOverlayFont : public render::test::FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        ASSERT_TRUE(archive.mount(vfs::FileSource(vfs::ResourceId{147})));
        ASSERT_TRUE(store.LoadFont(vfs::FileSource(&archive, core::EngineString("Media/64font.fs")),
                                   vfs::SearchPaths{}));
    }
    void TearDown() override {
        store.Clear();
        FakeDeviceTest::TearDown();
    }
    vfs::RarArchive archive;
    text::FontStore store;
};

TEST_F(ShippedOverlayFont, TheWidestTextsFitTheirWindowsAtEveryWidth) {
    const text::StyleEntry* digits = store.Lookup({64, 0, ""});
    ASSERT_TRUE(digits);
    for (const int width : {640, 800, 1024, 1280, 1920, 2560}) {
        const double q = width / 1024.0;
        TextWindow twelve(text::ClockWindowRect(q, false), text::OverlayStyle(q), "12:58:58 pm");
        TextWindow twentyFour(text::ClockWindowRect(q, true), text::OverlayStyle(q), "20:58:58 ");
        EXPECT_LE(twelve.TextWidth(*digits), twelve.Rect().width) << width;
        EXPECT_LE(twentyFour.TextWidth(*digits), twentyFour.Rect().width) << width;
        // Every character is drawn whole: none is clipped away.
        EXPECT_EQ(twelve.Layout(*digits).size(), 11u) << width;
        const GlyphQuad m = twelve.Layout(*digits).back();
        EXPECT_FLOAT_EQ(m.uv.right, 253 / 256.0f) << width;
        EXPECT_LE(m.bottom - twelve.Rect().top, twelve.Rect().height) << width;
    }
}

}  // namespace
