#include "gl_test_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gfx/offscreen_device.h"

namespace gfx::test {

namespace {

Device* CreateDevice() {
    Runtime* runtime = CreateRuntime();
    if (!runtime)
        return nullptr;
    Device* device = CreateOffscreenDevice(*runtime, kSize, kSize, D3DFMT_A8R8G8B8, D3DFMT_D24S8);
    runtime->Release();
    return device;
}

}  // namespace

Device* TestDevice() {
    static Device* device = CreateDevice();
    return device;
}

void Restart(D3DCOLOR background) {
    Device* device = TestDevice();
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = kSize;
    params.BackBufferHeight = kSize;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    device->Reset(&params);
    D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = i * 257;
    device->SetGammaRamp(0, D3DSGR_NO_CALIBRATION, &ramp);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
}

std::vector<std::uint32_t> ReadPixels(Device* device) {
    if (!device)
        device = TestDevice();
    D3DSURFACE_DESC desc;
    device->GetBackBufferDesc(0, 0, &desc);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(desc.Width) * desc.Height);
    device->ReadBackBuffer(pixels.data(), desc.Width);
    return pixels;
}

std::uint32_t PixelAt(int x, int y) {
    return ReadPixels()[static_cast<std::size_t>(y) * kSize + x];
}

void DrawScreenQuad(float x0, float y0, float x1, float y1, D3DCOLOR diffuse, D3DCOLOR specular,
                    float z) {
    // Edges half a pixel off the centres, so exactly the pixels [x0, x1) are covered.
    const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
    const ScreenVertex v[6] = {
        {l, t, z, 1, diffuse, specular, 0, 0, 0, 0}, {r, t, z, 1, diffuse, specular, 1, 0, 1, 0},
        {r, b, z, 1, diffuse, specular, 1, 1, 1, 1}, {l, t, z, 1, diffuse, specular, 0, 0, 0, 0},
        {r, b, z, 1, diffuse, specular, 1, 1, 1, 1}, {l, b, z, 1, diffuse, specular, 0, 1, 0, 1},
    };
    Device* device = TestDevice();
    device->SetFVF(kScreenFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ScreenVertex));
}

Ref<Texture> MakeTexture(UINT width, UINT height, const std::vector<std::uint32_t>& argb,
                         D3DFORMAT format) {
    Ref<Texture> texture;
    TestDevice()->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, texture.put());
    if (!texture)
        return texture;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < height; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                    argb.data() + y * width, width * 4);
    }
    texture->UnlockRect(0);
    return texture;
}

Rgba ToRgba(D3DCOLOR c) {
    return {R(c) / 255.0f, G(c) / 255.0f, B(c) / 255.0f, A(c) / 255.0f};
}

std::string Describe(std::uint32_t pixel) {
    char text[64];
    std::snprintf(text, sizeof text, "argb(%d, %d, %d, %d)", A(pixel), R(pixel), G(pixel),
                  B(pixel));
    return text;
}

bool Near(std::uint32_t pixel, Rgba e, bool checkAlpha, int tolerance) {
    auto near = [&](int actual, float expected) {
        const int want = static_cast<int>(std::lround(std::clamp(expected, 0.0f, 1.0f) * 255.0f));
        return std::abs(actual - want) <= tolerance;
    };
    return near(R(pixel), e.r) && near(G(pixel), e.g) && near(B(pixel), e.b) &&
           (!checkAlpha || near(A(pixel), e.a));
}

D3DMATRIX Identity() {
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

D3DMATRIX PerspectiveFovLH(float fov, float zNear, float zFar) {
    const float y = 1.0f / std::tan(fov / 2.0f);
    const float q = zFar / (zFar - zNear);
    return {{{y, 0, 0, 0}, {0, y, 0, 0}, {0, 0, q, 1}, {0, 0, -zNear * q, 0}}};
}

}  // namespace gfx::test
