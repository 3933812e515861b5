#include "platform/bmp_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = (v >> (8 * i)) & 0xFF;
    }
}

// A BMP with the given header fields; pixels are filled by the caller.
std::vector<std::uint8_t> MakeBmp(int width, int height, int bits, int paletteSize = 0) {
    const int absHeight = height < 0 ? -height : height;
    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    const std::size_t offset = 14 + 40 + std::size_t(paletteSize) * 4;
    std::vector<std::uint8_t> b(offset + stride * absHeight, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, std::uint32_t(b.size()));
    Put32(b, 10, std::uint32_t(offset));
    Put32(b, 14, 40);
    Put32(b, 18, std::uint32_t(width));
    Put32(b, 22, std::uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, std::uint32_t(bits));
    Put32(b, 46, std::uint32_t(paletteSize));
    return b;
}

TEST(BmpImage, BottomUp24BitWithRowPadding) {
    // 3 pixels of 3 bytes: rows padded to 12 bytes.
    auto b = MakeBmp(3, 2, 24);
    const std::size_t data = 54;
    // Stored bottom row first: the bottom row is red, green, blue; the top row white, black, grey.
    const std::uint8_t bottom[] = {0, 0, 255, 0, 255, 0, 255, 0, 0};
    const std::uint8_t top[] = {255, 255, 255, 0, 0, 0, 128, 128, 128};
    std::copy(std::begin(bottom), std::end(bottom), b.begin() + data);
    std::copy(std::begin(top), std::end(top), b.begin() + data + 12);
    const auto image = platform::DecodeBmp(b);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(image->At(1, 0), 0x000000u);
    EXPECT_EQ(image->At(2, 0), 0x808080u);
    EXPECT_EQ(image->At(0, 1), 0xFF0000u);
    EXPECT_EQ(image->At(1, 1), 0x00FF00u);
    EXPECT_EQ(image->At(2, 1), 0x0000FFu);
}

TEST(BmpImage, TopDown32BitAndPalette8Bit) {
    auto b32 = MakeBmp(1, -2, 32);
    Put32(b32, 54, 0x00112233);
    Put32(b32, 58, 0x00445566);
    const auto top = platform::DecodeBmp(b32);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->At(0, 0), 0x112233u);
    EXPECT_EQ(top->At(0, 1), 0x445566u);

    auto b8 = MakeBmp(2, 1, 8, 2);
    Put32(b8, 54, 0x00ABCDEF);
    Put32(b8, 58, 0x00010203);
    b8[62] = 1;
    b8[63] = 0;
    const auto paletted = platform::DecodeBmp(b8);
    ASSERT_TRUE(paletted);
    EXPECT_EQ(paletted->At(0, 0), 0x010203u);
    EXPECT_EQ(paletted->At(1, 0), 0xABCDEFu);
}

TEST(BmpImage, IndexPastAShortPaletteReadsBlack) {
    auto b8 = MakeBmp(1, 1, 8, 1);
    Put32(b8, 54, 0x00FFFFFF);
    b8[58] = 200;
    const auto image = platform::DecodeBmp(b8);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->At(0, 0), 0u);
}

TEST(BmpImage, DamagedFilesGiveNothing) {
    const auto good = MakeBmp(4, 4, 24);
    ASSERT_TRUE(platform::DecodeBmp(good));

    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool wide;
    };
    const Case cases[] = {
        {"not BM", 0, 'X', false},
        {"data offset past the end", 10, 0xFFFFFFF0u, true},
        {"header size past the end", 14, 0x7FFFFFFF, true},
        {"zero width", 18, 0, true},
        {"negative width", 18, 0xFFFFFFFFu, true},
        {"huge width", 18, 100000, true},
        {"huge height", 22, 100000, true},
        {"most negative height", 22, 0x80000000u, true},
        {"height beyond the data", 22, 5, true},
        {"two planes", 26, 2, false},
        {"12-bit", 28, 12, false},
        {"run-length compressed", 30, 1, true},
    };
    for (const auto& c : cases) {
        auto damaged = good;
        if (c.wide) {
            Put32(damaged, c.at, c.value);
        } else {
            Put16(damaged, c.at, c.value);
        }
        EXPECT_FALSE(platform::DecodeBmp(damaged)) << c.what;
    }
    for (std::size_t size = 0; size < good.size(); size += 7) {
        EXPECT_FALSE(platform::DecodeBmp(std::span(good.data(), size))) << size;
    }
}

TEST(BmpImage, ThePreviewPictureDecodes) {
    std::ifstream file(ZORVANE_SOURCE_DIR "/resources/preview.bmp", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    const auto image = platform::DecodeBmp(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 152);
    EXPECT_EQ(image->height, 112);
}

}  // namespace
