// The recording fake: scripted answers and the call log the engine's tests compare.
#include <gtest/gtest.h>

#include <bit>

#include "light_rules.h"
#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"

namespace gfx::fake {
namespace {

class FakeRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeScript script;
        script.adapters.push_back(StandardAdapter());
        runtime_ = Ref<FakeRuntime>::Adopt(new FakeRuntime(script));
    }
    Ref<FakeRuntime> runtime_;
};

TEST_F(FakeRuntimeTest, AnswersFromTheScript) {
    EXPECT_EQ(runtime_->GetAdapterCount(), 1u);
    EXPECT_EQ(runtime_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 10u);
    EXPECT_EQ(runtime_->GetAdapterModeCount(0, D3DFMT_X1R5G5B5), 0u);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(runtime_->EnumAdapterModes(0, D3DFMT_R5G6B5, 1, &mode), S_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(runtime_->EnumAdapterModes(0, D3DFMT_R5G6B5, 10, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, 1),
              S_OK);
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, 1),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(runtime_->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0),
              D3DERR_NOTAVAILABLE);
    DWORD levels = 0;
    EXPECT_EQ(runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                   D3DMULTISAMPLE_2_SAMPLES, &levels),
              S_OK);
    EXPECT_EQ(levels, 2u);
    EXPECT_EQ(runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                   D3DMULTISAMPLE_4_SAMPLES, nullptr),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(runtime_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8,
                                               D3DFMT_D15S1),
              D3DERR_NOTAVAILABLE);
    D3DCAPS9 caps;
    ASSERT_EQ(runtime_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), S_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_EQ(runtime_->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(runtime_->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_NOTAVAILABLE);
}

TEST_F(FakeRuntimeTest, ConflictsFailTheMultisampleCheckForTheirDepthFormat) {
    runtime_->Script().adapters[0].devices[0].depthConflicts.push_back(
        {D3DFMT_D16, D3DMULTISAMPLE_2_SAMPLES});
    EXPECT_EQ(runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_D16, 0,
                                                   D3DMULTISAMPLE_2_SAMPLES, nullptr),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(runtime_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_D32, 0,
                                                   D3DMULTISAMPLE_2_SAMPLES, nullptr),
              S_OK);
}

TEST_F(FakeRuntimeTest, RecordsDeviceCallsWithTheirArguments) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 800;
    params.BackBufferHeight = 600;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    Ref<Device> device;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 7, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &params, device.put()),
              S_OK);
    ASSERT_EQ(runtime_->LastDevice(), device.get());
    CallLog& log = runtime_->Log();
    EXPECT_TRUE(log.Contains("CreateDevice(0, 1, 7, 64)"));
    log.Clear();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 0.5f, 0, 1};
    device->SetMaterial(&material);
    device->SetMaterial(&material);
    Ref<Texture> texture;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put()),
              S_OK);
    device->SetTexture(0, texture.get());
    device->SetTexture(1, nullptr);
    EXPECT_EQ(log.Calls()[0], "SetRenderState(22, 1)");
    EXPECT_EQ(log.Calls()[1], "SetTextureStageState(1, 1, 5)");
    EXPECT_EQ(log.Calls()[2], "SetMaterial(1 0.5 0 1, 0 0 0 0, 0 0 0 0, 0 0 0 0, 0)");
    EXPECT_EQ(log.Count("SetMaterial"), 2u);
    EXPECT_EQ(log.Count("SetTexture"), 2u);
    EXPECT_TRUE(log.Contains("SetTexture(0, " + FakeDevice::NameOf(texture.get()) + ")"));
    EXPECT_TRUE(log.Contains("SetTexture(1, null)"));
    // States read back as set.
    DWORD value = 0;
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, D3DCULL_NONE);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc;
    device->GetBackBufferDesc(0, 0, &desc);
    EXPECT_EQ(desc.Width, 800u);
    // Programs built ahead are recorded so that scene tests can see which formats were warmed.
    EXPECT_EQ(device->PrecompileProgram(D3DFVF_XYZ | D3DFVF_NORMAL), S_OK);
    EXPECT_TRUE(log.Contains("PrecompileProgram(18)"));
    EXPECT_EQ(device->PrecompileProgram(0), D3DERR_INVALIDCALL);
}

TEST_F(FakeRuntimeTest, ScriptedFailuresAndDeviceLoss) {
    D3DPRESENT_PARAMETERS params{};
    Ref<Device> device;
    runtime_->Script().createDeviceResult = D3DERR_NOTAVAILABLE;
    EXPECT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()),
              D3DERR_NOTAVAILABLE);
    EXPECT_FALSE(device);
    runtime_->Script().createDeviceResult = S_OK;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()), S_OK);
    runtime_->DeviceScript().cooperativeLevel = D3DERR_DEVICENOTRESET;
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Reset(&params), S_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), S_OK);
    runtime_->DeviceScript().resetResult = D3DERR_DEVICELOST;
    EXPECT_EQ(device->Reset(&params), D3DERR_DEVICELOST);
    runtime_->DeviceScript().createResourceResult = D3DERR_OUTOFVIDEOMEMORY;
    Ref<VertexBuffer> buffer;
    EXPECT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, buffer.put()),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device->BeginScene(), S_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    device.reset();
    EXPECT_EQ(runtime_->LastDevice(), nullptr);
    EXPECT_TRUE(runtime_->Log().Contains("ReleaseDevice()"));
}

TEST_F(FakeRuntimeTest, BuffersAndTexturesLockWithinTheirBounds) {
    D3DPRESENT_PARAMETERS params{};
    Ref<Device> device;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()), S_OK);
    Ref<VertexBuffer> buffer;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, buffer.put()), S_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(60, 4, &data, 0), S_OK);
    EXPECT_EQ(buffer->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL);
    Ref<Texture> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, texture.put()), S_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    EXPECT_EQ(locked.Pitch, 16);  // two 8-byte blocks per row of blocks
    const RECT beyond{0, 0, 9, 4};
    EXPECT_EQ(texture->LockRect(0, &locked, &beyond, 0), D3DERR_INVALIDCALL);
}

TEST_F(FakeRuntimeTest, StatesNeverSetReadAsD3DDefaultsAgainAfterAReset) {
    D3DPRESENT_PARAMETERS params{};
    params.EnableAutoDepthStencil = 1;
    Ref<Device> device;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()), S_OK);
    struct Render {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    const Render render[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_ZWRITEENABLE, 1},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_ALPHABLENDENABLE, 0},
        {D3DRS_FOGEND, std::bit_cast<DWORD>(1.0f)},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {D3DRS_LIGHTING, 1},
        {D3DRS_AMBIENT, 0},
        {D3DRS_COLORVERTEX, 1},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    };
    struct Stage {
        DWORD stage;
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    };
    const Stage stages[] = {
        {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
        {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
        {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
        {7, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
        {3, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {3, D3DTSS_COLORARG2, D3DTA_CURRENT},
        {2, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
        {5, D3DTSS_TEXCOORDINDEX, 5},
        {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const Render& r : render) {
            DWORD value = 12345;
            ASSERT_EQ(device->GetRenderState(r.state, &value), S_OK);
            EXPECT_EQ(value, r.value) << "render state " << r.state << ", pass " << pass;
            device->SetRenderState(r.state, r.value + 1);
        }
        for (const Stage& s : stages) {
            DWORD value = 12345;
            ASSERT_EQ(device->GetTextureStageState(s.stage, s.type, &value), S_OK);
            EXPECT_EQ(value, s.value) << "stage " << s.stage << " state " << s.type;
            device->SetTextureStageState(s.stage, s.type, s.value + 1);
        }
        DWORD filter = 0;
        ASSERT_EQ(device->GetSamplerState(2, D3DSAMP_MINFILTER, &filter), S_OK);
        EXPECT_EQ(filter, D3DTEXF_POINT);
        device->SetSamplerState(2, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        ASSERT_EQ(device->Reset(&params), S_OK);
    }
    // Without a depth buffer the depth test starts off.
    params.EnableAutoDepthStencil = 0;
    ASSERT_EQ(device->Reset(&params), S_OK);
    DWORD depth = 1;
    device->GetRenderState(D3DRS_ZENABLE, &depth);
    EXPECT_EQ(depth, D3DZB_FALSE);
}

TEST_F(FakeRuntimeTest, LightsTakeAnyIndexAndAtMostEightAreOn) {
    D3DPRESENT_PARAMETERS params{};
    Ref<Device> device;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, device.put()), S_OK);
    gfx::test::CheckLightRules(device.get());
    // A reset forgets them.
    ASSERT_EQ(device->Reset(&params), S_OK);
    D3DLIGHT9 light;
    EXPECT_EQ(device->GetLight(0, &light), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->LightEnable(11, 1), S_OK);
}

}  // namespace
}  // namespace gfx::fake
