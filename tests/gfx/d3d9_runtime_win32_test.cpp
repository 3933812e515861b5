// The Direct3D 9 runtime as the device enumeration sees it, on Wine's d3d9.
#include <gtest/gtest.h>

#include "platform/gfx/runtime.h"

#include "d3d9_test_window.h"

namespace gfx {
namespace {

class D3d9Runtime : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_ = Ref<Runtime>::Adopt(CreateRuntime());
        ASSERT_TRUE(runtime_) << "d3d9.dll gave no runtime";
    }
    Ref<Runtime> runtime_;
};

TEST_F(D3d9Runtime, NamesItsAdaptersAndTheirModes) {
    ASSERT_GE(runtime_->GetAdapterCount(), 1u);
    D3DADAPTER_IDENTIFIER9 identifier{};
    ASSERT_TRUE(Succeeded(runtime_->GetAdapterIdentifier(0, 0, &identifier)));
    EXPECT_NE(identifier.Description[0], '\0');
    EXPECT_NE(identifier.DeviceName[0], '\0');

    D3DDISPLAYMODE desktop{};
    ASSERT_TRUE(Succeeded(runtime_->GetAdapterDisplayMode(0, &desktop)));
    EXPECT_GT(desktop.Width, 0u);
    EXPECT_GT(desktop.Height, 0u);
    EXPECT_EQ(desktop.Format, D3DFMT_X8R8G8B8);

    const UINT count = runtime_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GE(count, 1u);
    bool desktopListed = false;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        ASSERT_TRUE(Succeeded(runtime_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode)));
        EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
        desktopListed |= mode.Width == desktop.Width && mode.Height == desktop.Height;
    }
    EXPECT_TRUE(desktopListed);
    D3DDISPLAYMODE past{};
    EXPECT_TRUE(Failed(runtime_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, count, &past)));
    EXPECT_EQ(runtime_->GetApiVersion(), 0x00090000u);
}

TEST_F(D3d9Runtime, CapsCarryWhatTheEngineReads) {
    D3DCAPS9 caps{};
    ASSERT_TRUE(Succeeded(runtime_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps)));
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(caps.AdapterOrdinal, 0u);
    EXPECT_NE(caps.PresentationIntervals & D3DPRESENT_INTERVAL_ONE, 0u);
    EXPECT_NE(caps.PresentationIntervals & D3DPRESENT_INTERVAL_IMMEDIATE, 0u);
    EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_GE(caps.MaxTextureHeight, 2048u);
    EXPECT_GE(caps.MaxActiveLights, 8u);
    EXPECT_GE(caps.MaxTextureBlendStages, 2u);
    EXPECT_GE(caps.MaxSimultaneousTextures, 2u);
    EXPECT_GE(caps.MaxStreams, 1u);
    EXPECT_GT(caps.MaxPrimitiveCount, 0xFFFFu);
}

TEST_F(D3d9Runtime, ChecksFormatsTheWayTheEnumerationAsks) {
    EXPECT_TRUE(Succeeded(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                    D3DFMT_X8R8G8B8, 1)));
    EXPECT_TRUE(Succeeded(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                    D3DFMT_X8R8G8B8, 0)));
    EXPECT_TRUE(Succeeded(runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                      D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                                      D3DFMT_D24X8)));
    EXPECT_TRUE(Succeeded(runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                      D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8)));
    EXPECT_TRUE(Succeeded(runtime_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                           D3DFMT_X8R8G8B8, D3DFMT_D24X8)));
    DWORD levels = 0;
    EXPECT_TRUE(Succeeded(runtime_->CheckDeviceMultiSampleType(
        0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 1, D3DMULTISAMPLE_NONE, &levels)));
    EXPECT_GE(levels, 1u);
    // A depth format is no texture format to draw into.
    EXPECT_TRUE(Failed(runtime_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                   D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE,
                                                   D3DFMT_D24X8)));
}

TEST_F(D3d9Runtime, BadArgumentsFailQuietly) {
    const UINT missing = runtime_->GetAdapterCount();
    D3DCAPS9 caps{};
    EXPECT_TRUE(Failed(runtime_->GetDeviceCaps(missing, D3DDEVTYPE_HAL, &caps)));
    EXPECT_TRUE(Failed(runtime_->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr)));
    D3DADAPTER_IDENTIFIER9 identifier{};
    EXPECT_TRUE(Failed(runtime_->GetAdapterIdentifier(missing, 0, &identifier)));
    EXPECT_TRUE(Failed(runtime_->GetAdapterIdentifier(0, 0, nullptr)));
    EXPECT_EQ(runtime_->GetAdapterModeCount(missing, D3DFMT_X8R8G8B8), 0u);
    EXPECT_TRUE(Failed(runtime_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, nullptr)));
    EXPECT_TRUE(Failed(runtime_->GetAdapterDisplayMode(0, nullptr)));

    // A handle that names no window, and no parameters at all.
    D3DPRESENT_PARAMETERS params = test::WindowedParameters(0x12345670, 32, 32);
    Device* device = nullptr;
    EXPECT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_TRUE(Failed(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0,
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr,
                                              &device)));
    params = test::WindowedParameters(0, 32, 32);
    EXPECT_TRUE(Failed(runtime_->CreateDevice(missing, D3DDEVTYPE_HAL, 0,
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                                              &device)));
    EXPECT_EQ(device, nullptr);
}

}  // namespace
}  // namespace gfx
