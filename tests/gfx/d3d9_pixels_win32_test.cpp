// The back-buffer formats read back as A8R8G8B8, and the presentation interval a device gets.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/win32/d3d9/pixel_rows.h"
#include "platform/win32/d3d9/presentation_interval.h"

namespace gfx::d3d9 {
namespace {

TEST(D3d9PixelRows, EveryBackBufferFormatReadsAsArgb) {
    std::uint32_t out[3] = {};
    const std::uint32_t x8[] = {0x00123456, 0x7F000000, 0xFFFFFFFF};
    ASSERT_TRUE(ToArgbRow(D3DFMT_X8R8G8B8, x8, 3, out));
    EXPECT_EQ(out[0], 0xFF123456u);
    EXPECT_EQ(out[1], 0xFF000000u);
    ASSERT_TRUE(ToArgbRow(D3DFMT_A8R8G8B8, x8, 3, out));
    EXPECT_EQ(out[0], 0x00123456u);
    EXPECT_EQ(out[1], 0x7F000000u);

    // The top of every channel stays the top, the bottom the bottom, the middle near the middle.
    const std::uint16_t r5g6b5[] = {0xF800, 0x07E0, 0x8410};
    ASSERT_TRUE(ToArgbRow(D3DFMT_R5G6B5, r5g6b5, 3, out));
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF00FF00u);
    EXPECT_EQ(out[2], 0xFF848284u);

    const std::uint16_t a1[] = {0x7C00, 0x801F, 0xFFFF};
    ASSERT_TRUE(ToArgbRow(D3DFMT_A1R5G5B5, a1, 3, out));
    EXPECT_EQ(out[0], 0x00FF0000u);
    EXPECT_EQ(out[1], 0xFF0000FFu);
    EXPECT_EQ(out[2], 0xFFFFFFFFu);
    ASSERT_TRUE(ToArgbRow(D3DFMT_X1R5G5B5, a1, 3, out));
    EXPECT_EQ(out[0], 0xFFFF0000u);

    const std::uint32_t a2[] = {0xFFFFFFFF, 0x3FF00000, 0x000003FF};
    ASSERT_TRUE(ToArgbRow(D3DFMT_A2R10G10B10, a2, 3, out));
    EXPECT_EQ(out[0], 0xFFFFFFFFu);
    EXPECT_EQ(out[1], 0x00FF0000u);
    EXPECT_EQ(out[2], 0x000000FFu);
}

TEST(D3d9PixelRows, FormatsNoBackBufferHasAreRefused) {
    std::uint32_t out[1] = {0x12345678};
    const std::uint32_t in[1] = {0};
    EXPECT_FALSE(ToArgbRow(D3DFMT_DXT1, in, 1, out));
    EXPECT_FALSE(ToArgbRow(D3DFMT_D24X8, in, 1, out));
    EXPECT_FALSE(ToArgbRow(D3DFMT_UNKNOWN, in, 1, out));
    EXPECT_EQ(out[0], 0x12345678u);
}

TEST(D3d9PresentationInterval, ShownFramesWaitForTheRefreshWhereOffered) {
    const DWORD both = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    EXPECT_EQ(PacedInterval(D3DPRESENT_INTERVAL_IMMEDIATE, both, false), D3DPRESENT_INTERVAL_ONE);
    EXPECT_EQ(PacedInterval(D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_IMMEDIATE, false),
              D3DPRESENT_INTERVAL_IMMEDIATE);
    // A hidden window shows nothing: tools and benchmarks get what they ask for.
    EXPECT_EQ(PacedInterval(D3DPRESENT_INTERVAL_IMMEDIATE, both, true),
              D3DPRESENT_INTERVAL_IMMEDIATE);
    // What already waits stays as asked.
    EXPECT_EQ(PacedInterval(D3DPRESENT_INTERVAL_TWO, both | D3DPRESENT_INTERVAL_TWO, false),
              D3DPRESENT_INTERVAL_TWO);
    EXPECT_EQ(PacedInterval(D3DPRESENT_INTERVAL_DEFAULT, both, false),
              D3DPRESENT_INTERVAL_DEFAULT);
}

}  // namespace
}  // namespace gfx::d3d9
