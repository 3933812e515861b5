#include <gtest/gtest.h>

#include "platform/gfx/d3d_types.h"

namespace gfx {
namespace {

TEST(FvfStride, CountsEveryElementByItsDeclaredSize) {
    struct Case {
        DWORD fvf;
        UINT stride;
    };
    const Case cases[] = {
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 28},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, 40},
        {D3DFVF_XYZB3 | D3DFVF_NORMAL | D3DFVF_TEX1, 44},
        {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_PSIZE, 24},
        {D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(1), 32},
        {D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0), 24},
        {D3DFVF_XYZW | D3DFVF_TEX8, 16 + 8 * 8},
        {0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FvfStride(c.fvf), c.stride) << std::hex << c.fvf;
}

TEST(D3DTypes, ColoursPackAsArgbAndFourCcsAsTheirLetters) {
    EXPECT_EQ(D3DCOLOR_ARGB(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    EXPECT_EQ(D3DCOLOR_XRGB(1, 2, 3), 0xFF010203u);
    EXPECT_EQ(D3DFMT_DXT1, 0x31545844u);
    EXPECT_EQ(D3DFMT_DXT5, 0x35545844u);
    EXPECT_TRUE(Failed(D3DERR_DEVICELOST));
    EXPECT_TRUE(Succeeded(S_FALSE));
    EXPECT_EQ(static_cast<std::uint32_t>(D3DERR_INVALIDCALL), 0x8876086Cu);
}

}  // namespace
}  // namespace gfx
