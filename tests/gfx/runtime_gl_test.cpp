// What the OpenGL runtime tells the device enumeration, and device creation and reset.
#include <gtest/gtest.h>

#include "gl_test_device.h"
#include "platform/linux/gl/gl_runtime.h"

namespace gfx::test {
namespace {

class GlRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_DEVICE();
        runtime_ = Ref<Runtime>::Adopt(CreateRuntime());
        ASSERT_TRUE(runtime_);
    }
    Ref<Runtime> runtime_;
};

TEST_F(GlRuntimeTest, OneHalAdapterPerDisplayWithModesInD3DFormats) {
    ASSERT_GE(runtime_->GetAdapterCount(), 1u);
    EXPECT_GE(runtime_->GetApiVersion(), 0x00030300u);
    D3DDISPLAYMODE desktop;
    ASSERT_EQ(runtime_->GetAdapterDisplayMode(0, &desktop), S_OK);
    EXPECT_EQ(desktop.Format, D3DFMT_X8R8G8B8);  // the test display is 24-bit
    const UINT count = runtime_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GE(count, 1u);
    bool sawDesktopSize = false;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode;
        ASSERT_EQ(runtime_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode), S_OK);
        EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
        sawDesktopSize |= mode.Width == desktop.Width && mode.Height == desktop.Height;
    }
    EXPECT_TRUE(sawDesktopSize);
    D3DDISPLAYMODE mode;
    EXPECT_EQ(runtime_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(runtime_->GetAdapterModeCount(0, D3DFMT_A2R10G10B10), 0u);
    D3DADAPTER_IDENTIFIER9 identifier;
    ASSERT_EQ(runtime_->GetAdapterIdentifier(0, 0, &identifier), S_OK);
    EXPECT_GT(std::string(identifier.Description).size(), 0u);
    EXPECT_EQ(runtime_->GetAdapterIdentifier(runtime_->GetAdapterCount(), 0, &identifier),
              D3DERR_INVALIDCALL);
}

TEST_F(GlRuntimeTest, CapsAndChecksDescribeWhatTheDeviceRenders) {
    D3DCAPS9 caps;
    ASSERT_EQ(runtime_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), S_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_FALSE(caps.DevCaps & D3DDEVCAPS_PUREDEVICE);
    EXPECT_EQ(caps.PresentationIntervals, D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE);
    EXPECT_EQ(caps.MaxTextureBlendStages, 8u);
    EXPECT_EQ(runtime_->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(runtime_->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps), D3DERR_NOTAVAILABLE);

    const D3DFORMAT x8 = D3DFMT_X8R8G8B8, a8 = D3DFMT_A8R8G8B8, r5 = D3DFMT_R5G6B5;
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, x8, a8, 0), S_OK);
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, x8, x8, 0), S_OK);
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, x8, r5, 0), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, x8, r5, 1), S_OK);
    EXPECT_EQ(
        runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A2R10G10B10, D3DFMT_A2R10G10B10, 0),
        D3DERR_NOTAVAILABLE);
    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}) {
        EXPECT_EQ(runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, x8, D3DUSAGE_DEPTHSTENCIL,
                                              D3DRTYPE_SURFACE, depth),
                  S_OK);
        EXPECT_EQ(runtime_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, x8, a8, depth), S_OK);
    }
    EXPECT_EQ(runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, x8, D3DUSAGE_DEPTHSTENCIL,
                                          D3DRTYPE_SURFACE, D3DFMT_D15S1),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(
        runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, x8, 0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4),
        S_OK);
    EXPECT_EQ(runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, x8, 0, D3DRTYPE_TEXTURE,
                                          D3DFMT_A16B16G16R16),
              D3DERR_NOTAVAILABLE);
}

TEST_F(GlRuntimeTest, MultisamplingIsOfferedOnlyWhereItRunsAtAUsableSpeed) {
    DWORD levels = 0;
    ASSERT_EQ(runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                   D3DMULTISAMPLE_NONE, &levels),
              S_OK);
    EXPECT_EQ(levels, 1u);
    auto* gl = static_cast<gl::GlRuntime*>(runtime_.get());
    const HRESULT two = runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                             D3DMULTISAMPLE_2_SAMPLES, &levels);
    const bool software = gl->Info().renderer.find("llvmpipe") != std::string::npos ||
                          gl->Info().renderer.find("softpipe") != std::string::npos;
    EXPECT_EQ(Succeeded(two), !software && gl->Info().maxSamples >= 2);
    EXPECT_EQ(gl->OffersMultisampling(), !software && gl->Info().maxSamples >= 2);
    EXPECT_EQ(runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                   static_cast<D3DMULTISAMPLE_TYPE>(64), &levels),
              D3DERR_NOTAVAILABLE);
}

TEST_F(GlRuntimeTest, ResetResizesTheBackBufferAndRestoresDefaultStates) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 24;
    params.BackBufferHeight = 12;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.Windowed = 1;
    Ref<Device> device;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()), S_OK);
    EXPECT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_REF, 0, 0, &params, device.put()),
              D3DERR_NOTAVAILABLE);
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()), S_OK);
    // A window id that names no window is refused.
    Ref<Device> other;
    EXPECT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0x7FFFFFF0, 0, &params, other.put()),
              D3DERR_INVALIDCALL);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    DWORD value = 0;
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, D3DZB_FALSE);  // no depth buffer asked for
    params.BackBufferWidth = 40;
    params.BackBufferHeight = 20;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(device->Reset(&params), S_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(device->GetBackBufferDesc(0, 0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 40u);
    EXPECT_EQ(desc.Height, 20u);
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, D3DCULL_CCW);
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, D3DZB_TRUE);
    D3DVIEWPORT9 viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 40u);
    EXPECT_EQ(device->TestCooperativeLevel(), S_OK);
    EXPECT_EQ(device->BeginScene(), S_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), S_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(), S_OK);
    std::vector<std::uint32_t> pixels(40 * 20);
    EXPECT_EQ(device->ReadBackBuffer(pixels.data(), 40), S_OK);
    EXPECT_EQ(device->ReadBackBuffer(pixels.data(), 39), D3DERR_INVALIDCALL);
}

TEST(SpecularColour, AddsTheVertexSpecularWhenEnabled) {
    SKIP_WITHOUT_DEVICE();
    for (bool enabled : {false, true}) {
        Restart();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetRenderState(D3DRS_SPECULARENABLE, enabled);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        DrawScreenQuad(0, 0, kSize, kSize, 0xFF406080, 0x00302010);
        EXPECT_EQ(PixelAt(2, 2), enabled ? 0xFF708090u : 0xFF406080u);
    }
}

}  // namespace
}  // namespace gfx::test
