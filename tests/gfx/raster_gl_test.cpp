// Alpha test, blending, pre-transformed pixel placement, culling, depth, indexed draws and
// multisampling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gl_test_device.h"

namespace gfx::test {
namespace {

void SelectDiffuse() {
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
}

TEST(Raster, AlphaTestComparesTheEightBitAlphaWithTheReference) {
    SKIP_WITHOUT_DEVICE();
    struct Case {
        DWORD func;
        int alpha, reference;
        bool passes;
    };
    const Case cases[] = {
        {D3DCMP_NEVER, 0x80, 0x10, false},        {D3DCMP_LESS, 0x7F, 0x80, true},
        {D3DCMP_LESS, 0x80, 0x80, false},         {D3DCMP_EQUAL, 0x80, 0x80, true},
        {D3DCMP_EQUAL, 0x81, 0x80, false},        {D3DCMP_LESSEQUAL, 0x80, 0x80, true},
        {D3DCMP_LESSEQUAL, 0x81, 0x80, false},    {D3DCMP_GREATER, 0x81, 0x80, true},
        {D3DCMP_GREATER, 0x80, 0x80, false},      {D3DCMP_NOTEQUAL, 0x80, 0x80, false},
        {D3DCMP_NOTEQUAL, 0x00, 0x01, true},      {D3DCMP_GREATEREQUAL, 0x01, 0x01, true},
        {D3DCMP_GREATEREQUAL, 0x00, 0x01, false}, {D3DCMP_ALWAYS, 0x00, 0xFF, true},
    };
    for (const Case& c : cases) {
        Restart(0xFF0000FF);
        SelectDiffuse();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        device->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        device->SetRenderState(D3DRS_ALPHAREF, static_cast<DWORD>(c.reference));
        const D3DCOLOR colour = D3DCOLOR_ARGB(static_cast<DWORD>(c.alpha), 0xFF, 0, 0);
        DrawScreenQuad(0, 0, kSize, kSize, colour);
        EXPECT_EQ(PixelAt(5, 5), c.passes ? colour : 0xFF0000FFu)
            << "func " << c.func << " alpha " << c.alpha << " ref " << c.reference;
    }
}

float Factor(DWORD blend, Rgba s, Rgba d, Rgba constant, int channel) {
    const float sc[4] = {s.r, s.g, s.b, s.a}, dc[4] = {d.r, d.g, d.b, d.a};
    const float cc[4] = {constant.r, constant.g, constant.b, constant.a};
    switch (blend) {
        case D3DBLEND_ZERO:
            return 0;
        case D3DBLEND_ONE:
            return 1;
        case D3DBLEND_SRCCOLOR:
            return sc[channel];
        case D3DBLEND_INVSRCCOLOR:
            return 1 - sc[channel];
        case D3DBLEND_SRCALPHA:
            return s.a;
        case D3DBLEND_INVSRCALPHA:
            return 1 - s.a;
        case D3DBLEND_DESTALPHA:
            return d.a;
        case D3DBLEND_INVDESTALPHA:
            return 1 - d.a;
        case D3DBLEND_DESTCOLOR:
            return dc[channel];
        case D3DBLEND_INVDESTCOLOR:
            return 1 - dc[channel];
        case D3DBLEND_SRCALPHASAT:
            return channel == 3 ? 1 : std::min(s.a, 1 - d.a);
        case D3DBLEND_BLENDFACTOR:
            return cc[channel];
        case D3DBLEND_INVBLENDFACTOR:
            return 1 - cc[channel];
    }
    return 0;
}

TEST(Raster, BlendingWithEveryFactorAndOperation) {
    SKIP_WITHOUT_DEVICE();
    const D3DCOLOR source = 0x60C08040, destination = 0xA0206090, constant = 0x40804020;
    const Rgba s = ToRgba(source), d = ToRgba(destination), k = ToRgba(constant);
    const DWORD factors[] = {D3DBLEND_ZERO,          D3DBLEND_ONE,          D3DBLEND_SRCCOLOR,
                             D3DBLEND_INVSRCCOLOR,   D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA,
                             D3DBLEND_DESTALPHA,     D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR,
                             D3DBLEND_INVDESTCOLOR,  D3DBLEND_SRCALPHASAT,  D3DBLEND_BLENDFACTOR,
                             D3DBLEND_INVBLENDFACTOR};
    struct Case {
        DWORD src, dst, op;
    };
    std::vector<Case> cases;
    for (DWORD f : factors) {
        cases.push_back({f, D3DBLEND_ONE, D3DBLENDOP_ADD});
        if (f != D3DBLEND_SRCALPHASAT)
            cases.push_back({D3DBLEND_ONE, f, D3DBLENDOP_ADD});
    }
    for (DWORD op : {D3DBLENDOP_SUBTRACT, D3DBLENDOP_REVSUBTRACT, D3DBLENDOP_MIN, D3DBLENDOP_MAX}) {
        cases.push_back({D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, op});
    }
    for (const Case& c : cases) {
        Restart(destination);
        SelectDiffuse();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRS_SRCBLEND, c.src);
        device->SetRenderState(D3DRS_DESTBLEND, c.dst);
        device->SetRenderState(D3DRS_BLENDOP, c.op);
        device->SetRenderState(D3DRS_BLENDFACTOR, constant);
        DrawScreenQuad(0, 0, kSize, kSize, source);
        float out[4];
        const float sv[4] = {s.r, s.g, s.b, s.a}, dv[4] = {d.r, d.g, d.b, d.a};
        for (int ch = 0; ch < 4; ++ch) {
            const float a = sv[ch] * Factor(c.src, s, d, k, ch);
            const float b = dv[ch] * Factor(c.dst, s, d, k, ch);
            switch (c.op) {
                case D3DBLENDOP_SUBTRACT:
                    out[ch] = a - b;
                    break;
                case D3DBLENDOP_REVSUBTRACT:
                    out[ch] = b - a;
                    break;
                case D3DBLENDOP_MIN:
                    out[ch] = std::min(sv[ch], dv[ch]);
                    break;
                case D3DBLENDOP_MAX:
                    out[ch] = std::max(sv[ch], dv[ch]);
                    break;
                default:
                    out[ch] = a + b;
                    break;
            }
        }
        const std::uint32_t pixel = PixelAt(7, 7);
        EXPECT_TRUE(Near(pixel, {out[0], out[1], out[2], out[3]}))
            << "src " << c.src << " dst " << c.dst << " op " << c.op << ": " << Describe(pixel);
    }
}

TEST(Raster, BothSourceAlphaSetsTheDestinationFactorToo) {
    SKIP_WITHOUT_DEVICE();
    Restart(0xFF000000);
    SelectDiffuse();
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_BOTHSRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawScreenQuad(0, 0, kSize, kSize, 0x40FFFFFF);
    EXPECT_TRUE(Near(PixelAt(3, 3), {0.25f, 0.25f, 0.25f, 0}, false)) << Describe(PixelAt(3, 3));
}

TEST(Raster, PreTransformedTexelsLandOnTheirPixels) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    std::vector<std::uint32_t> texels(16);
    for (int i = 0; i < 16; ++i)
        texels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 16) << 16 | 0x40;
    Ref<Texture> texture = MakeTexture(4, 4, texels);
    device->SetTexture(0, texture.get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    // D3D's rule: a 4 x 4 quad from (x - 0.5, y - 0.5) puts texel (i, j) on pixel (x + i, y + j),
    // even with bilinear filtering.
    DrawScreenQuad(10, 6, 14, 10, 0xFFFFFFFF);
    const auto pixels = ReadPixels();
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(pixels[(6 + j) * kSize + 10 + i], texels[j * 4 + i]) << i << ", " << j;
        }
    }
    EXPECT_EQ(pixels[5 * kSize + 10], 0xFF000000u);
    EXPECT_EQ(pixels[6 * kSize + 9], 0xFF000000u);
    EXPECT_EQ(pixels[6 * kSize + 14], 0xFF000000u);
    EXPECT_EQ(pixels[10 * kSize + 10], 0xFF000000u);
}

TEST(Raster, ViewportPlacesTransformedAndPreTransformedGeometry) {
    SKIP_WITHOUT_DEVICE();
    Restart(0xFF000000);
    SelectDiffuse();
    Device* device = TestDevice();
    const D3DVIEWPORT9 viewport{8, 4, 16, 8, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), S_OK);
    // Clearing covers only the viewport.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    auto pixels = ReadPixels();
    EXPECT_EQ(pixels[4 * kSize + 8], 0xFF00FF00u);
    EXPECT_EQ(pixels[11 * kSize + 23], 0xFF00FF00u);
    EXPECT_EQ(pixels[3 * kSize + 8], 0xFF000000u);
    EXPECT_EQ(pixels[4 * kSize + 24], 0xFF000000u);
    // A transformed quad filling clip space fills the viewport.
    struct V {
        float x, y, z;
        D3DCOLOR c;
    } quad[4] = {{-1, 1, 0.5f, 0xFFFF0000},
                 {1, 1, 0.5f, 0xFFFF0000},
                 {-1, -1, 0.5f, 0xFFFF0000},
                 {1, -1, 0.5f, 0xFFFF0000}};
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
    pixels = ReadPixels();
    EXPECT_EQ(pixels[4 * kSize + 8], 0xFFFF0000u);
    EXPECT_EQ(pixels[11 * kSize + 23], 0xFFFF0000u);
    EXPECT_EQ(pixels[12 * kSize + 23], 0xFF000000u);
    // Pre-transformed coordinates stay absolute pixels.
    DrawScreenQuad(9, 5, 10, 6, 0xFF0000FF);
    EXPECT_EQ(PixelAt(9, 5), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(8, 4), 0xFFFF0000u);
    const D3DVIEWPORT9 outside{20, 20, 16, 16, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
}

TEST(Raster, CullModesDropTheFacesTheyName) {
    SKIP_WITHOUT_DEVICE();
    // Clockwise and counter-clockwise on screen (y grows downwards).
    const ScreenVertex clockwise[3] = {{4, 4, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0, 0},
                                       {28, 4, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0, 0},
                                       {4, 28, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0, 0}};
    const ScreenVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    struct Case {
        DWORD cull;
        bool drawsClockwise, drawsCounter;
    };
    for (const Case& c : {Case{D3DCULL_NONE, true, true}, Case{D3DCULL_CCW, true, false},
                          Case{D3DCULL_CW, false, true}}) {
        for (int winding = 0; winding < 2; ++winding) {
            Restart();
            SelectDiffuse();
            Device* device = TestDevice();
            device->SetRenderState(D3DRS_CULLMODE, c.cull);
            device->SetFVF(kScreenFvf);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, winding ? counter : clockwise,
                                    sizeof(ScreenVertex));
            const bool drawn = PixelAt(8, 8) == 0xFFFFFFFFu;
            EXPECT_EQ(drawn, winding ? c.drawsCounter : c.drawsClockwise)
                << "cull " << c.cull << " winding " << winding;
        }
    }
}

TEST(Raster, DepthFunctionsWritesAndTheZeroToOneRange) {
    SKIP_WITHOUT_DEVICE();
    struct Case {
        DWORD func;
        bool write;
        float first, second;
        bool secondWins;
    };
    const Case cases[] = {
        {D3DCMP_LESSEQUAL, true, 0.3f, 0.7f, false}, {D3DCMP_LESSEQUAL, true, 0.7f, 0.3f, true},
        {D3DCMP_LESSEQUAL, true, 0.5f, 0.5f, true},  {D3DCMP_LESS, true, 0.5f, 0.5f, false},
        {D3DCMP_GREATER, true, 0.3f, 0.7f, true},    {D3DCMP_ALWAYS, true, 0.1f, 0.9f, true},
        {D3DCMP_NEVER, true, 0.9f, 0.1f, false},     {D3DCMP_LESS, false, 0.7f, 0.3f, true},
        {D3DCMP_LESS, true, 0.0f, 0.01f, false},     {D3DCMP_LESS, true, 0.995f, 0.99f, true},
    };
    for (const Case& c : cases) {
        Restart();
        SelectDiffuse();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        DrawScreenQuad(0, 0, kSize, kSize, 0xFFFF0000, 0, c.first);
        device->SetRenderState(D3DRS_ZFUNC, c.func);
        device->SetRenderState(D3DRS_ZWRITEENABLE, c.write);
        DrawScreenQuad(0, 0, kSize, kSize, 0xFF00FF00, 0, c.second);
        EXPECT_EQ(PixelAt(4, 4), c.secondWins ? 0xFF00FF00u : 0xFFFF0000u)
            << "func " << c.func << " " << c.first << " then " << c.second;
    }
    // With writes off the first depth stays: a third draw is tested against it.
    Restart();
    SelectDiffuse();
    Device* device = TestDevice();
    DrawScreenQuad(0, 0, kSize, kSize, 0xFFFF0000, 0, 0.5f);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    DrawScreenQuad(0, 0, kSize, kSize, 0xFF00FF00, 0, 0.2f);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    DrawScreenQuad(0, 0, kSize, kSize, 0xFF0000FF, 0, 0.4f);
    EXPECT_EQ(PixelAt(4, 4), 0xFF0000FFu);
    // Disabled depth test draws regardless.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawScreenQuad(0, 0, kSize, kSize, 0xFFFFFF00, 0, 0.9f);
    EXPECT_EQ(PixelAt(4, 4), 0xFFFFFF00u);
}

TEST(Raster, TransformedDepthUsesTheProjectionsZeroToOneRange) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    SelectDiffuse();
    Device* device = TestDevice();
    // A projection mapping view z 0..10 to depth 0..1 linearly (w = 1).
    const D3DMATRIX projection{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0.1f, 0}, {0, 0, 0, 1}}};
    device->SetTransform(D3DTS_PROJECTION, &projection);
    struct V {
        float x, y, z;
        D3DCOLOR c;
    };
    auto quad = [&](float z, D3DCOLOR colour) {
        const V v[4] = {
            {-1, 1, z, colour}, {1, 1, z, colour}, {-1, -1, z, colour}, {1, -1, z, colour}};
        device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V));
    };
    // Depth 0.45 in view space 4.5: a pre-transformed quad at 0.44 hides it, at 0.46 doesn't.
    DrawScreenQuad(0, 16, kSize, kSize, 0xFF00FF00, 0, 0.44f);
    DrawScreenQuad(0, 0, kSize, 16, 0xFF00FF00, 0, 0.46f);
    quad(4.5f, 0xFFFF0000);
    EXPECT_EQ(PixelAt(4, 24), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(4, 4), 0xFFFF0000u);
    // Behind the far plane (depth > 1) nothing is drawn; just in front of the near plane it is.
    Restart();
    SelectDiffuse();
    device->SetTransform(D3DTS_PROJECTION, &projection);
    quad(10.5f, 0xFFFF0000);
    EXPECT_EQ(PixelAt(4, 4), 0xFF000000u);
    quad(0.05f, 0xFF0000FF);
    EXPECT_EQ(PixelAt(4, 4), 0xFF0000FFu);
}

TEST(Raster, IndexedDrawsFromBuffersWithSixteenAndThirtyTwoBitIndices) {
    SKIP_WITHOUT_DEVICE();
    for (D3DFORMAT format : {D3DFMT_INDEX16, D3DFMT_INDEX32}) {
        Restart();
        SelectDiffuse();
        Device* device = TestDevice();
        // Two padding vertices first, drawn through the base vertex index.
        std::vector<ScreenVertex> vertices(6);
        const float corners[4][2] = {{3.5f, 3.5f}, {19.5f, 3.5f}, {3.5f, 19.5f}, {19.5f, 19.5f}};
        for (int i = 0; i < 4; ++i) {
            vertices[2 + i] = {corners[i][0], corners[i][1], 0.5f, 1, 0xFF8040C0, 0, 0, 0, 0, 0};
        }
        Ref<VertexBuffer> vb;
        ASSERT_EQ(device->CreateVertexBuffer(6 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY,
                                             kScreenFvf, D3DPOOL_MANAGED, vb.put()),
                  S_OK);
        void* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, vertices.data(), 6 * sizeof(ScreenVertex));
        vb->Unlock();
        const std::uint32_t indices[6] = {0, 1, 3, 0, 3, 2};
        const UINT size = format == D3DFMT_INDEX16 ? 2 : 4;
        Ref<IndexBuffer> ib;
        ASSERT_EQ(device->CreateIndexBuffer(8 * size, 0, format, D3DPOOL_MANAGED, ib.put()), S_OK);
        ib->Lock(0, 0, &data, 0);
        for (int i = 0; i < 6; ++i) {
            if (size == 2) {
                static_cast<std::uint16_t*>(data)[2 + i] = static_cast<std::uint16_t>(indices[i]);
            } else {
                static_cast<std::uint32_t*>(data)[2 + i] = indices[i];
            }
        }
        ib->Unlock();
        device->SetFVF(kScreenFvf);
        device->SetStreamSource(0, vb.get(), 0, sizeof(ScreenVertex));
        device->SetIndices(ib.get());
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 4, 2, 2), S_OK);
        const auto pixels = ReadPixels();
        EXPECT_EQ(pixels[4 * kSize + 4], 0xFF8040C0u);
        EXPECT_EQ(pixels[19 * kSize + 19], 0xFF8040C0u);
        EXPECT_EQ(pixels[20 * kSize + 20], 0xFF000000u);
        // An index past the buffer's vertices is refused, not read.
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 3, 0, 4, 2, 2),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2, 2), S_OK);
    }
}

TEST(Raster, IndexedDrawsFromUserMemoryCheckTheirIndices) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    SelectDiffuse();
    Device* device = TestDevice();
    const ScreenVertex v[4] = {{3.5f, 3.5f, 0.5f, 1, 0xFF00FFFF, 0, 0, 0, 0, 0},
                               {19.5f, 3.5f, 0.5f, 1, 0xFF00FFFF, 0, 0, 0, 0, 0},
                               {3.5f, 19.5f, 0.5f, 1, 0xFF00FFFF, 0, 0, 0, 0, 0},
                               {19.5f, 19.5f, 0.5f, 1, 0xFF00FFFF, 0, 0, 0, 0, 0}};
    const std::uint16_t indices[6] = {0, 1, 3, 0, 3, 2};
    device->SetFVF(kScreenFvf);
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16,
                                             v, sizeof(ScreenVertex)),
              S_OK);
    EXPECT_EQ(PixelAt(10, 10), 0xFF00FFFFu);
    // A primitive count beyond the device's limit is refused before any size is computed.
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0xFFFFFFFFu, v, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
    const std::uint16_t bad[3] = {0, 1, 4};
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, bad, D3DFMT_INDEX16, v,
                                             sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
}

TEST(Raster, TwoSampleBackBufferSmoothsEdges) {
    SKIP_WITHOUT_DEVICE();
    Runtime* runtime = CreateRuntime();
    ASSERT_TRUE(runtime);
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = params.BackBufferHeight = 16;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.Windowed = 1;
    params.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    Device* device = nullptr;
    ASSERT_EQ(runtime->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &params, &device), S_OK);
    runtime->Release();
    D3DSURFACE_DESC desc;
    device->GetBackBufferDesc(0, 0, &desc);
    EXPECT_EQ(desc.MultiSampleType, D3DMULTISAMPLE_2_SAMPLES);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    // A steep diagonal edge: some pixels along it are partly covered.
    const ScreenVertex tri[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0, 0},
                                 {16, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0, 0},
                                 {0, 13, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0, 0}};
    device->SetFVF(kScreenFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(ScreenVertex));
    const auto pixels = ReadPixels(device);
    const int partial = static_cast<int>(std::count_if(
        pixels.begin(), pixels.end(), [](auto p) { return R(p) > 16 && R(p) < 239; }));
    EXPECT_GT(partial, 3);
    device->Release();
}

}  // namespace
}  // namespace gfx::test
