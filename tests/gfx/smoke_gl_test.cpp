#include <gtest/gtest.h>

#include "gl_test_device.h"
#include "platform/linux/gl/device_statistics.h"

namespace gfx::test {

TEST(GlDevice, ClearsAndDrawsADiffuseQuad) {
    SKIP_WITHOUT_DEVICE();
    Restart(0xFF102030);
    EXPECT_EQ(PixelAt(0, 0), 0xFF102030u);
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    DrawScreenQuad(8, 8, 24, 24, 0x80C04020);
    const auto pixels = ReadPixels();
    EXPECT_EQ(pixels[16 * kSize + 16], 0x80C04020u) << Describe(pixels[16 * kSize + 16]);
    EXPECT_EQ(pixels[8 * kSize + 8], 0x80C04020u);
    EXPECT_EQ(pixels[7 * kSize + 8], 0xFF102030u);
    EXPECT_EQ(pixels[23 * kSize + 23], 0x80C04020u);
    EXPECT_EQ(pixels[24 * kSize + 23], 0xFF102030u);
}

}  // namespace gfx::test

namespace gfx::test {

TEST(GlDevice, StatesThatDrawAlikeShareOneProgram) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);  // behind a disabled stage
    DrawScreenQuad(0, 0, 4, 4, 0xFFFFFFFF);
    gl::ResetCacheStats(device);
    // Different values, an unread argument and a stage that never runs: the same program.
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_SUBTRACT);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x12345678);
    DrawScreenQuad(0, 0, 4, 4, 0xFF00FF00);
    EXPECT_EQ(gl::CacheStatsOf(device).misses, 0u);
    EXPECT_EQ(gl::CacheStatsOf(device).hits, 1u);
    // A read argument that changes needs a program of its own.
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    DrawScreenQuad(0, 0, 4, 4, 0xFF00FF00);
    EXPECT_EQ(gl::CacheStatsOf(device).hits + gl::CacheStatsOf(device).misses, 2u);
    EXPECT_EQ(PixelAt(1, 1) & 0xFFFFFF, 0x345678u);
}

}  // namespace gfx::test

namespace gfx::test {

TEST(GlDevice, ProgramsBuiltAheadLeaveTheFirstDrawNothingToCompile) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    Device* device = TestDevice();
    // A state no other test draws with, so its program is new here.
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADDSMOOTH);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF404040);
    const std::uint64_t before = gl::CacheStatsOf(device).compiled;
    EXPECT_EQ(device->PrecompileProgram(kScreenFvf), S_OK);
    EXPECT_EQ(gl::CacheStatsOf(device).compiled, before + 1);
    EXPECT_EQ(device->PrecompileProgram(kScreenFvf), S_OK);
    EXPECT_EQ(gl::CacheStatsOf(device).compiled, before + 1) << "built once";
    DrawScreenQuad(0, 0, kSize, kSize, 0xFFC08000);
    EXPECT_EQ(gl::CacheStatsOf(device).compiled, before + 1) << "the draw found it built";
    // 1 - diffuse, plus the factor, less their product.
    const Rgba a{0.25f, 0.5f, 1.0f, 1}, b = ToRgba(0xFF404040);
    const Rgba expected{a.r + b.r - a.r * b.r, a.g + b.g - a.g * b.g, a.b + b.b - a.b * b.b, 1};
    EXPECT_TRUE(Near(PixelAt(3, 3), expected, false)) << Describe(PixelAt(3, 3));
    EXPECT_EQ(device->PrecompileProgram(D3DFVF_NORMAL), D3DERR_INVALIDCALL) << "no position";
}

}  // namespace gfx::test
