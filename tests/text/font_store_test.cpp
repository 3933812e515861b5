#include "text/font_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../render/fake_device_fixture.h"
#include "../render/test_images.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/search_paths.h"

namespace {

using text::Charset;
using text::FontStore;
using text::StyleKey;

class FontStoreTest : public render::test::FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("zorvane_fonts_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "fonts");
        paths.add(vfs::FileSource(core::EngineString(folder.string())));
    }
    void TearDown() override {
        store.Clear();
        std::filesystem::remove_all(folder);
        FakeDeviceTest::TearDown();
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    void WriteImage(const std::string& name, std::uint32_t w, std::uint32_t h,
                    const std::vector<std::uint32_t>& argb) {
        const auto bytes = render::test::MakeTga(w, h, argb);
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    vfs::FileSource Disk(const std::string& name) const {
        return vfs::FileSource{core::EngineString(name)};
    }
    // The texel at (x, y) of level 0 of a fake A8R8G8B8 texture.
    static std::uint32_t Texel(gfx::Texture* texture, int x, int y) {
        gfx::D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, gfx::D3DLOCK_READONLY), gfx::S_OK);
        std::uint32_t value = 0;
        std::memcpy(&value, static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
        texture->UnlockRect(0);
        return value;
    }

    std::filesystem::path folder;
    vfs::SearchPaths paths;
    FontStore store;
};

TEST_F(FontStoreTest, StylesTakeTheirKeysAndCharsetsInFileOrder) {
    WriteImage("fonts/glyphs.tga", 64, 32, std::vector<std::uint32_t>(64 * 32, 0xFFFF00FF));
    Write("fonts/a.css",
          "Name = \"glyphs.tga\"; CharsPerLine = 8; CharWidth = 8; CharHeight = 8;"
          "EndChar = 63; ColorKey = array(255, 0, 255);");
    Write("fonts/b.css", "CharsPerLine = 4; StartChar = 64; EndChar = 127;");
    Write("fonts/f.fs",
          "Name = \"F\";"
          "Styles[0].Size = 20; Styles[0].Charsets = array(\"a.css\", \"b.css\");"
          "Styles[1].Bold = 1; Styles[1].Italic = 3; Styles[1].FontName = \"Serif\";"
          "Styles[1].Charsets = array(\"b.css\");"
          "Styles[2].Size = 8;");
    ASSERT_TRUE(store.LoadFont(Disk("fonts/f.fs"), paths));
    // The style without charsets makes no entry.
    EXPECT_EQ(store.StyleCount(), 2u);
    EXPECT_FALSE(store.Lookup({8, 0, ""}));

    const text::StyleEntry* big = store.Lookup({20, 0, ""});
    ASSERT_TRUE(big);
    ASSERT_EQ(big->charsets.size(), 2u);
    EXPECT_EQ(big->charsets[0]->StartChar(), 0);
    EXPECT_EQ(big->charsets[1]->StartChar(), 64);
    EXPECT_EQ(big->Find(70), big->charsets[1].get());
    EXPECT_EQ(big->Find(10), big->charsets[0].get());

    // Cells lie on the texture as loaded, 64 x 32: code 9 is the second cell of the second row.
    EXPECT_EQ(*big->charsets[0]->Rect(9),
              text::CellRect({8 / 64.0f, 8 / 32.0f, 16 / 64.0f, 16 / 32.0f}));
    render::Texture* texture = big->charsets[0]->GetTexture();
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Params().colorKey, 0xFFFF00FFu);
    EXPECT_EQ(texture->Params().format, gfx::D3DFMT_A8R8G8B8);
    // The key made the magenta picture transparent.
    EXPECT_EQ(Texel(texture->GetD3DTexture(), 3, 3), 0u);

    const text::StyleEntry* serif =
        store.Lookup({14, text::kStyleBold | text::kStyleItalic, "Serif"});
    ASSERT_TRUE(serif);
    EXPECT_EQ(serif->charsets.size(), 1u);
    EXPECT_FALSE(store.Lookup({14, text::kStyleBold, "Serif"}));
    EXPECT_FALSE(store.Lookup({14, text::kStyleBold | text::kStyleItalic, "serif"}));
    // The store is ordered by size.
    EXPECT_EQ(store.Styles().begin()->first.size, 14);
}

TEST_F(FontStoreTest, AFailedCharsetFailsTheFontButStaysInItsStyle) {
    Write("fonts/broken.css", "CharsPerLine = 0;");
    Write("fonts/nopicture.css", "Name = \"missing.png\"; CharsPerLine = 16; Sizes[\"A\"] = 7;");
    Write("fonts/f.fs",
          "Styles[0].Charsets = array(\"absent.css\", \"broken.css\","
          "\"nopicture.css\", \"\");");
    EXPECT_FALSE(store.LoadFont(Disk("fonts/f.fs"), paths));
    const text::StyleEntry* entry = store.Lookup({});
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->charsets.size(), 4u);
    // The charset whose picture is missing keeps its layout against a texture of size 0.
    const Charset& nopicture = *entry->charsets[2];
    EXPECT_FALSE(nopicture.GetTexture());
    EXPECT_EQ(nopicture.Width('A'), 7u);
    ASSERT_TRUE(nopicture.Rect('A'));
    EXPECT_EQ(*nopicture.Rect('A'), text::CellRect{});
}

TEST_F(FontStoreTest, MissingOrEmptyFontFilesFail) {
    Write("fonts/empty.fs", "");
    EXPECT_FALSE(store.LoadFont(Disk("fonts/none.fs"), paths));
    EXPECT_FALSE(store.LoadFont(Disk("fonts/empty.fs"), paths));
    EXPECT_EQ(store.StyleCount(), 0u);
}

TEST_F(FontStoreTest, FontFilesCutShortOrWithoutACharsetFail) {
    WriteImage("fonts/a.tga", 16, 16, std::vector<std::uint32_t>(256, 0xFFFFFFFF));
    Write("fonts/a.css", "Name = \"a.tga\"; CharsPerLine = 4; CharWidth = 4; CharHeight = 4;");
    const std::string whole =
        "Name = \"A\"; Styles[0].Size = 14; Styles[0].Charsets = array(\"a.css\");";
    struct Case {
        std::string font;
        bool loads;
    };
    const Case cases[] = {
        {whole, true},
        {whole + "  \n// the end\n", true},
        // Cut inside the last statement: the list may have lost charsets after the cut.
        {whole.substr(0, whole.size() - 1), false},
        {whole.substr(0, whole.size() - 4), false},
        // Cut before the list, or a list garbled: a font with nothing to draw with.
        {"Name = \"A\"; Styles[0].Size = 14;", false},
        {"Name = \"A\"; Styles[0].Size = 14\xC4\xF2\xF5rsets = array(\"a.css\");", false},
        {"Name = \"A\";", false},
    };
    for (const Case& c : cases) {
        Write("fonts/f.fs", c.font);
        store.Clear();
        EXPECT_EQ(store.LoadFont(Disk("fonts/f.fs"), paths), c.loads) << c.font;
    }
}

TEST_F(FontStoreTest, AFileListingEndlessCharsetsStopsAtTheLimit) {
    Write("fonts/c.css", "CharsPerLine = 16;");
    std::string list = "Styles[0].Charsets = array(";
    for (int i = 0; i < 500; ++i) {
        list += std::string(i ? "," : "") + "\"c.css\"";
    }
    Write("fonts/f.fs", list + ");");
    EXPECT_TRUE(store.LoadFont(Disk("fonts/f.fs"), paths));
    EXPECT_EQ(store.Lookup({})->charsets.size(), FontStore::kMaxCharsets);
}

// The two fonts shipped in the media archive.
class ShippedFontsTest : public FontStoreTest {
protected:
    void SetUp() override {
        FontStoreTest::SetUp();
        ASSERT_TRUE(archive.mount(vfs::FileSource(vfs::ResourceId{147})));
    }
    bool Load(const char* name) {
        return store.LoadFont(vfs::FileSource(&archive, core::EngineString(name)), paths);
    }
    vfs::RarArchive archive;
};

TEST_F(ShippedFontsTest, TheTextFontCoversWindows1251OnItsGrid) {
    ASSERT_TRUE(Load("Media/sylfaen.fs"));
    const text::StyleEntry* entry = store.Lookup({14, 0, ""});
    ASSERT_TRUE(entry);
    ASSERT_EQ(entry->charsets.size(), 1u);
    const Charset& font = *entry->charsets[0];
    ASSERT_TRUE(font.GetTexture());
    ASSERT_EQ(font.GetTexture()->Desc().Width, 256u);
    ASSERT_EQ(font.GetTexture()->Desc().Height, 256u);
    EXPECT_EQ(font.CharsPerLine(), 18);
    // "A" lies in row 3, column 11.
    const text::CellRect* a = font.Rect('A');
    ASSERT_TRUE(a);
    EXPECT_EQ(a->left * 256, 154.0f);
    EXPECT_EQ(a->top * 256, 42.0f);
    EXPECT_EQ(a->bottom * 256, 56.0f);
    EXPECT_EQ((a->right - a->left) * 256, float(font.Width('A')));
    EXPECT_GE(font.Width('A'), 6u);
    // Every printable character has a width within its cell, Cyrillic ones included.
    for (int code : {int('a'), int('W'), int(' '), 0xC0, 0xDF, 0xE0, 0xFF}) {
        EXPECT_GT(font.Width(code), 0u) << code;
        EXPECT_LE(font.Width(code), 14u) << code;
    }
    EXPECT_EQ(font.Width(10), 0u);
    // EndChar 255: the last code has a width but no cell.
    EXPECT_EQ(font.EndChar(), 255);
    EXPECT_FALSE(font.Rect(255));
}

TEST_F(ShippedFontsTest, TheDigitFontHasTheSixteenCharactersOfTheClock) {
    ASSERT_TRUE(Load("Media/sylfaen.fs"));
    ASSERT_TRUE(Load("Media/64font.fs"));
    const text::StyleEntry* entry = store.Lookup({64, 0, ""});
    ASSERT_TRUE(entry);
    const Charset& font = *entry->charsets[0];
    render::Texture* texture = font.GetTexture();
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Params().colorKey, 0xFFFF00FFu);
    EXPECT_EQ(texture->Desc().Width, 256u);
    const text::CellRect* m = font.Rect('m');
    ASSERT_TRUE(m);
    EXPECT_EQ(*m, text::CellRect({193 / 256.0f, 128 / 256.0f, 253 / 256.0f, 191 / 256.0f}));
    EXPECT_EQ(font.Width('m'), 61u);
    // Digits share one width, so the clock doesn't jitter as it counts.
    for (char digit = '0'; digit <= '9'; ++digit) {
        EXPECT_EQ(font.Width(digit), font.Width('0')) << digit;
    }
    const std::string characters = "0123456789amp.: ";
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const int code = static_cast<unsigned char>(characters[i]);
        const text::CellRect* r = font.Rect(code);
        ASSERT_TRUE(r) << characters[i];
        // Each lies in its own cell of the 4 x 4 grid, in this order.
        EXPECT_EQ(int(r->left * 4), int(i % 4)) << characters[i];
        EXPECT_EQ(int(r->top * 4), int(i / 4)) << characters[i];
        EXPECT_EQ(int(r->right * 4), int(i % 4)) << characters[i];
    }
    gfx::Texture* pixels = texture->GetD3DTexture();
    // The keyed magenta background is transparent; the middle of the "1" stroke is white.
    EXPECT_EQ(Texel(pixels, 62, 2), 0u);
    std::uint32_t brightest = 0;
    for (int x = 65; x < 96; ++x) {
        brightest = std::max(brightest, Texel(pixels, x, 32));
    }
    EXPECT_EQ(brightest & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_GE(brightest >> 24, 250u);
}

}  // namespace
