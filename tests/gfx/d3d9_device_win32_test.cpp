// The Direct3D 9 device on a real window under Wine: known pixels from lit and textured draws,
// device reset, the gamma ramp and bad calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"

#include "d3d9_test_window.h"

namespace gfx {
namespace {

using test::Near;
using test::ReadBack;

constexpr UINT kSize = 64;

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};

struct ScreenVertex {
    float x, y, z, rhw;
    float u, v;
};

D3DMATRIX Identity() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

class D3d9Device : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_ = Ref<Runtime>::Adopt(CreateRuntime());
        ASSERT_TRUE(runtime_);
        params_ = test::WindowedParameters(window_.Handle(), kSize, kSize);
        ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, window_.Handle(),
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &params_,
                                         device_.put()),
                  S_OK);
    }

    std::uint32_t At(const std::vector<std::uint32_t>& pixels, UINT x, UINT y, UINT width = kSize) {
        return pixels.at(static_cast<std::size_t>(y) * width + x);
    }

    // Two clockwise triangles over the whole target, facing the viewer, in clip space.
    void DrawLitQuad() {
        const LitVertex quad[] = {
            {-1, 1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1},   {-1, -1, 0.5f, 0, 0, -1},
            {1, 1, 0.5f, 0, 0, -1},  {1, -1, 0.5f, 0, 0, -1}, {-1, -1, 0.5f, 0, 0, -1},
        };
        const D3DMATRIX identity = Identity();
        device_->SetTransform(D3DTS_WORLD, &identity);
        device_->SetTransform(D3DTS_VIEW, &identity);
        device_->SetTransform(D3DTS_PROJECTION, &identity);
        ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL), S_OK);
        ASSERT_EQ(device_->BeginScene(), S_OK);
        ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(LitVertex)), S_OK);
        ASSERT_EQ(device_->EndScene(), S_OK);
    }

    // Red, green / blue, white.
    Ref<Texture> MakeCheckerTexture() {
        Ref<Texture> texture;
        EXPECT_EQ(device_->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         texture.put()),
                  S_OK);
        if (!texture)
            return texture;
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
        auto* rows = static_cast<unsigned char*>(locked.pBits);
        auto* top = reinterpret_cast<std::uint32_t*>(rows);
        auto* bottom = reinterpret_cast<std::uint32_t*>(rows + locked.Pitch);
        top[0] = 0xFFFF0000;
        top[1] = 0xFF00FF00;
        bottom[0] = 0xFF0000FF;
        bottom[1] = 0xFFFFFFFF;
        EXPECT_EQ(texture->UnlockRect(0), S_OK);
        return texture;
    }

    // The texture over a size x size target, point sampled, through vertex and index buffers.
    void DrawTexturedQuad(Texture* texture, float size) {
        const ScreenVertex corners[] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0},
                                        {size - 0.5f, -0.5f, 0.5f, 1, 1, 0},
                                        {-0.5f, size - 0.5f, 0.5f, 1, 0, 1},
                                        {size - 0.5f, size - 0.5f, 0.5f, 1, 1, 1}};
        const std::uint16_t indices[] = {0, 1, 2, 1, 3, 2};
        Ref<VertexBuffer> vertices;
        ASSERT_EQ(device_->CreateVertexBuffer(sizeof corners, D3DUSAGE_WRITEONLY,
                                              D3DFVF_XYZRHW | D3DFVF_TEX1, D3DPOOL_MANAGED,
                                              vertices.put()),
                  S_OK);
        void* data = nullptr;
        ASSERT_EQ(vertices->Lock(0, 0, &data, 0), S_OK);
        std::memcpy(data, corners, sizeof corners);
        vertices->Unlock();
        Ref<IndexBuffer> indexBuffer;
        ASSERT_EQ(device_->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, indexBuffer.put()),
                  S_OK);
        ASSERT_EQ(indexBuffer->Lock(0, 0, &data, 0), S_OK);
        std::memcpy(data, indices, sizeof indices);
        indexBuffer->Unlock();

        device_->SetTexture(0, texture);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        device_->SetStreamSource(0, vertices.get(), 0, sizeof(ScreenVertex));
        device_->SetIndices(indexBuffer.get());
        ASSERT_EQ(device_->BeginScene(), S_OK);
        ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
        ASSERT_EQ(device_->EndScene(), S_OK);
        device_->SetStreamSource(0, nullptr, 0, 0);
        device_->SetIndices(nullptr);
    }

    test::TestWindow window_{kSize, kSize};
    Ref<Runtime> runtime_;
    D3DPRESENT_PARAMETERS params_{};
    Ref<Device> device_;
};

TEST_F(D3d9Device, ClearsToExactValuesAndDescribesItsBackBuffer) {
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(device_->GetBackBufferDesc(0, 0, &desc), S_OK);
    EXPECT_EQ(desc.Width, kSize);
    EXPECT_EQ(desc.Height, kSize);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699, 1.0f, 0),
              S_OK);
    const D3DRECT corner{0, 0, 8, 4};
    ASSERT_EQ(device_->Clear(1, &corner, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), S_OK);
    const auto pixels = ReadBack(*device_, kSize, kSize);
    ASSERT_EQ(pixels.size(), kSize * kSize);
    EXPECT_EQ(At(pixels, 7, 3), 0xFF102030u);
    EXPECT_EQ(At(pixels, 8, 3), 0xFF336699u);
    EXPECT_EQ(At(pixels, 7, 4), 0xFF336699u);
    EXPECT_EQ(At(pixels, kSize - 1, kSize - 1), 0xFF336699u);
    EXPECT_EQ(device_->Present(), S_OK);
    EXPECT_EQ(device_->Finish(), S_OK);
}

TEST_F(D3d9Device, LightsTrianglesByTheMaterialAndTheLight) {
    D3DMATERIAL9 material{};
    material.Diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetMaterial(&material), S_OK);
    ASSERT_EQ(device_->SetLight(0, &light), S_OK);
    ASSERT_EQ(device_->LightEnable(0, 1), S_OK);
    device_->SetRenderState(D3DRS_LIGHTING, 1);
    device_->SetRenderState(D3DRS_AMBIENT, 0);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawLitQuad();
    auto pixels = ReadBack(*device_, kSize, kSize);
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(Near(At(pixels, kSize / 2, kSize / 2), 0xFF8040FF, 1))
        << std::hex << At(pixels, kSize / 2, kSize / 2);
    EXPECT_TRUE(Near(At(pixels, 2, kSize - 3), 0xFF8040FF, 1));

    // Lit from behind, only the ambient light is left.
    light.Direction = {0.0f, 0.0f, -1.0f};
    device_->SetLight(0, &light);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawLitQuad();
    pixels = ReadBack(*device_, kSize, kSize);
    ASSERT_FALSE(pixels.empty());
    EXPECT_TRUE(Near(At(pixels, kSize / 2, kSize / 2), 0xFF404040, 1))
        << std::hex << At(pixels, kSize / 2, kSize / 2);

    D3DLIGHT9 back{};
    ASSERT_EQ(device_->GetLight(0, &back), S_OK);
    EXPECT_EQ(back.Direction.z, -1.0f);
    BOOL enabled = 0;
    ASSERT_EQ(device_->GetLightEnable(0, &enabled), S_OK);
    EXPECT_NE(enabled, 0);
}

TEST_F(D3d9Device, TexturesTrianglesTexelForTexel) {
    Ref<Texture> texture = MakeCheckerTexture();
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawTexturedQuad(texture.get(), kSize);
    const auto pixels = ReadBack(*device_, kSize, kSize);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(At(pixels, 16, 16), 0xFFFF0000u);
    EXPECT_EQ(At(pixels, 48, 16), 0xFF00FF00u);
    EXPECT_EQ(At(pixels, 16, 48), 0xFF0000FFu);
    EXPECT_EQ(At(pixels, 48, 48), 0xFFFFFFFFu);

    // The stage hands back the same object, with a reference for the caller.
    Texture* bound = nullptr;
    ASSERT_EQ(device_->GetTexture(0, &bound), S_OK);
    EXPECT_EQ(bound, texture.get());
    EXPECT_EQ(bound->Release(), 2u);
}

TEST_F(D3d9Device, ResetWaitsForDefaultPoolResourcesAndKeepsManagedTextures) {
    Ref<Texture> texture = MakeCheckerTexture();
    ASSERT_TRUE(texture);
    Ref<Texture> target;
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                     D3DPOOL_DEFAULT, target.put()),
              S_OK);
    device_->SetTexture(1, target.get());

    D3DPRESENT_PARAMETERS smaller = test::WindowedParameters(window_.Handle(), 32, 32);
    EXPECT_TRUE(Failed(device_->Reset(&smaller)));
    target.reset();
    smaller = test::WindowedParameters(window_.Handle(), 32, 32);
    ASSERT_EQ(device_->Reset(&smaller), S_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), S_OK);
    EXPECT_EQ(smaller.BackBufferWidth, 32u);

    // Every state is back to its default, the stages hold nothing.
    Texture* bound = texture.get();
    ASSERT_EQ(device_->GetTexture(0, &bound), S_OK);
    EXPECT_EQ(bound, nullptr);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(device_->GetBackBufferDesc(0, 0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 32u);

    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawTexturedQuad(texture.get(), 32);
    const auto pixels = ReadBack(*device_, 32, 32);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(At(pixels, 8, 8, 32), 0xFFFF0000u);
    EXPECT_EQ(At(pixels, 24, 24, 32), 0xFFFFFFFFu);
}

D3DGAMMARAMP Brightened(int lift) {
    D3DGAMMARAMP ramp{};
    for (int i = 0; i < 256; ++i) {
        const int value = std::min(65535, i * 256 + lift);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(value);
    }
    return ramp;
}

bool SameRamp(const D3DGAMMARAMP& a, const D3DGAMMARAMP& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(D3d9Device, WindowedGammaRampIsKeptButLeavesThePictureAlone) {
    const D3DGAMMARAMP ramp = Brightened(20000);
    device_->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
    D3DGAMMARAMP back{};
    device_->GetGammaRamp(0, &back);
    EXPECT_TRUE(SameRamp(back, ramp));
    // Another swap chain and a null ramp change nothing.
    const D3DGAMMARAMP other = Brightened(40000);
    device_->SetGammaRamp(1, D3DSGR_CALIBRATE, &other);
    device_->SetGammaRamp(0, D3DSGR_CALIBRATE, nullptr);
    device_->GetGammaRamp(0, &back);
    EXPECT_TRUE(SameRamp(back, ramp));

    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    const auto pixels = ReadBack(*device_, kSize, kSize);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(At(pixels, 1, 1), 0xFF204060u);
}

// The display's own ramp, as GDI reads it.
bool DisplayRamp(D3DGAMMARAMP& ramp) {
    HDC screen = GetDC(nullptr);
    const bool read = GetDeviceGammaRamp(screen, &ramp) != FALSE;
    ReleaseDC(nullptr, screen);
    return read;
}

TEST_F(D3d9Device, FullScreenGammaRampRoundTripsAndIsGivenBackAtTheEnd) {
    device_.reset();
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(runtime_->GetAdapterDisplayMode(0, &desktop), S_OK);
    D3DGAMMARAMP before{};
    const bool displayHasRamp = DisplayRamp(before);
    if (!displayHasRamp)
        std::printf("the display has no gamma ramp here (Xvfb): only the device's is checked\n");

    D3DPRESENT_PARAMETERS params = test::WindowedParameters(window_.Handle(), desktop.Width,
                                                            desktop.Height);
    params.Windowed = 0;
    params.FullScreen_RefreshRateInHz = desktop.RefreshRate;
    ASSERT_EQ(runtime_->CreateDevice(0, D3DDEVTYPE_HAL, window_.Handle(),
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, device_.put()),
              S_OK);
    const D3DGAMMARAMP ramp = Brightened(12000);
    device_->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
    D3DGAMMARAMP back{};
    device_->GetGammaRamp(0, &back);
    EXPECT_TRUE(SameRamp(back, ramp));
    D3DGAMMARAMP shown{};
    if (displayHasRamp && DisplayRamp(shown)) {
        EXPECT_TRUE(SameRamp(shown, ramp));
    }

    device_.reset();
    D3DGAMMARAMP after{};
    if (displayHasRamp) {
        ASSERT_TRUE(DisplayRamp(after));
        EXPECT_TRUE(SameRamp(after, before));
    }
}

TEST_F(D3d9Device, OffscreenDeviceDrawsIntoAHiddenWindowOfItsOwn) {
    Ref<Device> offscreen = Ref<Device>::Adopt(CreateOffscreenDevice(*runtime_, 40, 30));
    ASSERT_TRUE(offscreen);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(offscreen->GetBackBufferDesc(0, 0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 40u);
    EXPECT_EQ(desc.Height, 30u);
    offscreen->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0A0B0C, 1.0f, 0);
    const auto pixels = ReadBack(*offscreen, 40, 30);
    ASSERT_EQ(pixels.size(), 40u * 30u);
    EXPECT_EQ(pixels.back(), 0xFF0A0B0Cu);
    EXPECT_EQ(offscreen->Present(), S_OK);
    EXPECT_EQ(offscreen->Finish(), S_OK);
}

TEST_F(D3d9Device, BadCallsFailQuietly) {
    std::vector<std::uint32_t> pixels(kSize * kSize);
    EXPECT_EQ(device_->ReadBackBuffer(pixels.data(), kSize - 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->ReadBackBuffer(nullptr, kSize), D3DERR_INVALIDCALL);
    Texture* texture = nullptr;
    EXPECT_TRUE(Failed(device_->CreateTexture(1u << 20, 1u << 20, 1, 0, D3DFMT_A8R8G8B8,
                                              D3DPOOL_MANAGED, &texture)));
    EXPECT_EQ(texture, nullptr);
    EXPECT_TRUE(Failed(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                              nullptr)));
    VertexBuffer* vertices = nullptr;
    EXPECT_TRUE(Failed(device_->CreateVertexBuffer(0, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vertices)));
    EXPECT_EQ(vertices, nullptr);
    EXPECT_EQ(device_->SetTexture(kMaxTextureStages, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetTexture(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, 12), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->PrecompileProgram(D3DFVF_NORMAL | D3DFVF_TEX1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->PrecompileProgram(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), S_OK);
    EXPECT_EQ(device_->Reset(nullptr), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS elsewhere = test::WindowedParameters(0x7654320, kSize, kSize);
    EXPECT_EQ(device_->Reset(&elsewhere), D3DERR_INVALIDCALL);
    // The device still draws after all of it.
    EXPECT_EQ(device_->TestCooperativeLevel(), S_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF010203, 1.0f, 0), S_OK);
    EXPECT_EQ(ReadBack(*device_, kSize, kSize).at(0), 0xFF010203u);
}

}  // namespace
}  // namespace gfx
