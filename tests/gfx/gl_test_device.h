// One OpenGL device per test program, a small back buffer, and helpers for drawing known cases
// and reading pixels back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/runtime.h"

namespace gfx::test {

inline constexpr UINT kSize = 32;

// The shared device, reset to D3D's default states; null (and the test skipped) without a
// display.
Device* TestDevice();
// Reset to defaults, clear to `background`, depth to 1.
void Restart(D3DCOLOR background = 0xFF000000);
std::vector<std::uint32_t> ReadPixels(Device* device = nullptr);
std::uint32_t PixelAt(int x, int y);

// A pre-transformed vertex with both colours and two coordinate sets.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse, specular;
    float u0, v0, u1, v1;
};
inline constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;

// Two triangles (clockwise on screen) covering pixels [x0, x1) x [y0, y1), coordinates 0..1.
void DrawScreenQuad(float x0, float y0, float x1, float y1, D3DCOLOR diffuse, D3DCOLOR specular = 0,
                    float z = 0.5f);
// A 1 x 1 (or w x h) texture of A8R8G8B8 texels, row by row.
Ref<Texture> MakeTexture(UINT width, UINT height, const std::vector<std::uint32_t>& argb,
                         D3DFORMAT format = D3DFMT_A8R8G8B8);

// Channel helpers: 0..255 of a D3DCOLOR.
inline int A(std::uint32_t c) {
    return static_cast<int>(c >> 24);
}
inline int R(std::uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
inline int G(std::uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int B(std::uint32_t c) {
    return static_cast<int>(c & 0xFF);
}

// Expected colour as floats 0..1 (a, r, g, b) against a read pixel; within 2/255.
struct Rgba {
    float r, g, b, a;
};
Rgba ToRgba(D3DCOLOR c);
std::string Describe(std::uint32_t pixel);
bool Near(std::uint32_t pixel, Rgba expected, bool checkAlpha = true, int tolerance = 2);

D3DMATRIX Identity();
// D3D's left-handed perspective projection, fov in radians, aspect 1.
D3DMATRIX PerspectiveFovLH(float fov, float zNear, float zFar);

}  // namespace gfx::test

#define SKIP_WITHOUT_DEVICE()                    \
    do {                                         \
        if (!::gfx::test::TestDevice())          \
            GTEST_SKIP() << "no OpenGL display"; \
    } while (0)
