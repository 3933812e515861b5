// What a draw sends again after states change: the key and its program only after a state of the
// key, OpenGL's render states only after one of them, and values as uniforms alone.
#include <gtest/gtest.h>

#include "gl_test_device.h"
#include "platform/linux/gl/device_state.h"
#include "platform/linux/gl/device_statistics.h"

namespace gfx::test {
namespace {

std::uint64_t Lookups(Device* device) {
    const gl::ProgramCacheStats stats = gl::CacheStatsOf(device);
    return stats.hits + stats.misses;
}

class DrawState : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_DEVICE();
        Restart();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000);
        DrawScreenQuad(0, 0, 1, 1, 0xFF000000);
        gl::ResetDrawCounters(device);
        gl::ResetCacheStats(device);
    }
};

TEST_F(DrawState, ValuesChangedBetweenDrawsReachTheProgramWithoutANewKey) {
    Device* device = TestDevice();
    D3DMATERIAL9 material{};
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, 0, 1};
    for (int i = 0; i < 8; ++i) {
        const float f = static_cast<float>(i);
        device->SetRenderState(D3DRS_AMBIENT, 0xFF010101u * static_cast<DWORD>(i));
        device->SetRenderState(D3DRS_FOGSTART, gl::BitsFromFloat(f));
        device->SetRenderState(D3DRS_FOGEND, gl::BitsFromFloat(f + 10.0f));
        device->SetRenderState(D3DRS_FOGCOLOR, 0xFF000000u | static_cast<DWORD>(i));
        device->SetRenderState(D3DRS_ALPHAREF, static_cast<DWORD>(i));
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000u | static_cast<DWORD>(i) << 20);
        material.Diffuse = {f, f, f, 1};
        device->SetMaterial(&material);
        light.Diffuse = {f, 0, 0, 1};
        device->SetLight(0, &light);
        D3DMATRIX world = Identity();
        world.m[3][0] = f;
        device->SetTransform(D3DTS_WORLD, &world);
        DrawScreenQuad(static_cast<float>(i * 4), 0, static_cast<float>(i * 4 + 4), 4, 0xFF000040);
    }
    const gl::DrawCounters counters = gl::DrawCountersOf(device);
    EXPECT_EQ(counters.draws, 8u);
    EXPECT_EQ(counters.keysBuilt, 0u) << "the key from the draw before still holds";
    EXPECT_EQ(Lookups(device), 0u);
    EXPECT_EQ(counters.fixedStateApplied, 0u);
    // Each quad still has the factor that was set for it.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(PixelAt(i * 4 + 1, 1) & 0xFFFFFF, 0x40u | static_cast<std::uint32_t>(i) << 20)
            << i;
}

TEST_F(DrawState, AStateOfTheKeyBuildsItOnceAtTheNextDraw) {
    Device* device = TestDevice();
    // Set to what it already is: nothing to build.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetFVF(kScreenFvf);
    DrawScreenQuad(0, 0, 4, 4, 0xFF000040);
    EXPECT_EQ(gl::DrawCountersOf(device).keysBuilt, 0u);
    // Changed, changed again, then drawn twice: one key, one look-up.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawScreenQuad(4, 0, 8, 4, 0xFF000040);
    DrawScreenQuad(8, 0, 12, 4, 0xFF000080);
    EXPECT_EQ(gl::DrawCountersOf(device).keysBuilt, 1u);
    EXPECT_EQ(Lookups(device), 1u);
    // A render state of the key, a texture bound where there was none, another vertex format.
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    DrawScreenQuad(12, 0, 16, 4, 0xFF0000C0);
    const Ref<Texture> texture = MakeTexture(1, 1, {0xFF00FF00});
    device->SetTexture(0, texture.get());
    DrawScreenQuad(16, 0, 20, 4, 0xFF0000C0);
    device->SetTexture(0, texture.get());
    DrawScreenQuad(16, 0, 20, 4, 0xFF0000C0);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    device->SetFVF(kScreenFvf);
    DrawScreenQuad(20, 0, 24, 4, 0xFF0000C0);
    EXPECT_EQ(gl::DrawCountersOf(device).keysBuilt, 4u);
    EXPECT_EQ(gl::DrawCountersOf(device).fixedStateApplied, 0u);
    EXPECT_EQ(PixelAt(1, 1) & 0xFFFFFF, 0x000040u) << "diffuse plus a black factor";
    EXPECT_EQ(PixelAt(5, 1) & 0xFFFFFF, 0x000040u);
    EXPECT_EQ(PixelAt(9, 1) & 0xFFFFFF, 0x000080u) << "the diffuse colour alone";
    EXPECT_EQ(PixelAt(13, 1) & 0xFFFFFF, 0x0000C0u);
}

TEST_F(DrawState, OpenGLsOwnStatesAreSentAgainWithoutANewKey) {
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_BLUE);
    DrawScreenQuad(0, 0, 4, 4, 0xFF4080C0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    DrawScreenQuad(4, 0, 8, 4, 0xFF4080C0);
    DrawScreenQuad(8, 0, 12, 4, 0xFF4080C0);
    EXPECT_EQ(gl::DrawCountersOf(device).fixedStateApplied, 2u);
    EXPECT_EQ(gl::DrawCountersOf(device).keysBuilt, 0u);
    EXPECT_EQ(PixelAt(1, 1) & 0xFFFFFF, 0x0000C0u) << "only blue written";
    EXPECT_EQ(PixelAt(5, 1) & 0xFFFFFF, 0x4080C0u);
}

}  // namespace
}  // namespace gfx::test
