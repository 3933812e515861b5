// Texture formats, levels and locks, address modes, coordinate sets, texture transforms, sphere
// maps, and the gamma ramp on the final image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gl_test_device.h"
#include "platform/linux/gl/device_statistics.h"

namespace gfx::test {
namespace {

void ShowTexture(Texture* texture) {
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

Ref<Texture> RawTexture(UINT width, UINT height, D3DFORMAT format,
                        const std::vector<std::uint8_t>& bytes, UINT rowBytes) {
    Ref<Texture> texture;
    TestDevice()->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, texture.put());
    if (!texture)
        return texture;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    const UINT rows = static_cast<UINT>(bytes.size()) / rowBytes;
    for (UINT y = 0; y < rows; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                    bytes.data() + y * rowBytes, rowBytes);
    }
    texture->UnlockRect(0);
    return texture;
}

std::uint32_t Argb(int a, int r, int g, int b) {
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}
int Expand(int value, int bits) {
    return static_cast<int>(std::lround(value * 255.0 / ((1 << bits) - 1)));
}
bool Close(std::uint32_t a, std::uint32_t b, int tolerance) {
    return std::abs(A(a) - A(b)) <= tolerance && std::abs(R(a) - R(b)) <= tolerance &&
           std::abs(G(a) - G(b)) <= tolerance && std::abs(B(a) - B(b)) <= tolerance;
}

TEST(Textures, UncompressedFormatsDecodeAsD3DDefinesThem) {
    SKIP_WITHOUT_DEVICE();
    struct Case {
        D3DFORMAT format;
        std::vector<std::uint8_t> bytes;  // 2 x 1 texels
        std::uint32_t expected[2];
    };
    auto le16 = [](unsigned v) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(v & 0xFF),
                                         static_cast<std::uint8_t>(v >> 8)};
    };
    auto join = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<Case> cases = {
        {D3DFMT_A8R8G8B8,
         {0x10, 0x40, 0xFF, 0x80, 0x01, 0x02, 0x03, 0x04},
         {Argb(0x80, 0xFF, 0x40, 0x10), Argb(0x04, 0x03, 0x02, 0x01)}},
        {D3DFMT_X8R8G8B8,
         {0x10, 0x40, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x04},
         {Argb(0xFF, 0xFF, 0x40, 0x10), Argb(0xFF, 0x03, 0x02, 0x01)}},
        {D3DFMT_R8G8B8,
         {0x10, 0x40, 0xFF, 0x01, 0x02, 0x03},
         {Argb(0xFF, 0xFF, 0x40, 0x10), Argb(0xFF, 0x03, 0x02, 0x01)}},
        {D3DFMT_R5G6B5,
         join(le16(0xF800 | (0x20 << 5) | 0x01), le16((3 << 11) | (7 << 5) | 31)),
         {Argb(255, 255, Expand(32, 6), Expand(1, 5)), Argb(255, Expand(3, 5), Expand(7, 6), 255)}},
        {D3DFMT_A1R5G5B5,
         join(le16(0x8000 | (31 << 10) | (4 << 5) | 9), le16((2 << 10) | 31)),
         {Argb(255, 255, Expand(4, 5), Expand(9, 5)), Argb(0, Expand(2, 5), 0, 255)}},
        {D3DFMT_X1R5G5B5,
         join(le16((31 << 10) | (4 << 5) | 9), le16((2 << 10) | 31)),
         {Argb(255, 255, Expand(4, 5), Expand(9, 5)), Argb(255, Expand(2, 5), 0, 255)}},
        {D3DFMT_A4R4G4B4,
         join(le16(0x8F3C), le16(0x1234)),
         {Argb(Expand(8, 4), 255, Expand(3, 4), Expand(12, 4)),
          Argb(Expand(1, 4), Expand(2, 4), Expand(3, 4), Expand(4, 4))}},
        {D3DFMT_X4R4G4B4,
         join(le16(0x8F3C), le16(0x1234)),
         {Argb(255, 255, Expand(3, 4), Expand(12, 4)),
          Argb(255, Expand(2, 4), Expand(3, 4), Expand(4, 4))}},
        {D3DFMT_A8, {0x80, 0x20}, {Argb(0x80, 0, 0, 0), Argb(0x20, 0, 0, 0)}},
        {D3DFMT_L8, {0x80, 0x20}, {Argb(255, 0x80, 0x80, 0x80), Argb(255, 0x20, 0x20, 0x20)}},
        {D3DFMT_A8L8,
         {0x80, 0x40, 0x20, 0xFF},
         {Argb(0x40, 0x80, 0x80, 0x80), Argb(0xFF, 0x20, 0x20, 0x20)}},
    };
    for (const Case& c : cases) {
        Restart(0xFF0000FF);
        Ref<Texture> texture =
            RawTexture(2, 1, c.format, c.bytes, static_cast<UINT>(c.bytes.size()));
        ASSERT_TRUE(texture) << "format " << c.format;
        ShowTexture(texture.get());
        DrawScreenQuad(0, 0, 2, 1, 0xFFFFFFFF);
        for (int i = 0; i < 2; ++i) {
            const std::uint32_t pixel = PixelAt(i, 0);
            EXPECT_TRUE(Close(pixel, c.expected[i], 1))
                << "format " << c.format << " texel " << i << ": " << Describe(pixel) << " want "
                << Describe(c.expected[i]);
        }
    }
}

// One DXT colour block: c0, c1 (R5G6B5) and a 2-bit index per texel, row by row.
std::vector<std::uint8_t> ColourBlock(unsigned c0, unsigned c1, const int (&index)[16]) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= static_cast<std::uint32_t>(index[i]) << (2 * i);
    return {static_cast<std::uint8_t>(c0),         static_cast<std::uint8_t>(c0 >> 8),
            static_cast<std::uint8_t>(c1),         static_cast<std::uint8_t>(c1 >> 8),
            static_cast<std::uint8_t>(bits),       static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

TEST(Textures, CompressedFormatsDecodeTheirBlocks) {
    SKIP_WITHOUT_DEVICE();
    D3DCAPS9 caps;
    TestDevice()->GetDeviceCaps(&caps);
    Ref<Texture> probe;
    if (Failed(
            TestDevice()->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, probe.put()))) {
        GTEST_SKIP() << "no S3TC textures here";
    }
    const int rows[16] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
    const unsigned red = 0xF800, blue = 0x001F;
    // Four-colour mode (c0 > c1): red, blue, 2/3 red + 1/3 blue, 1/3 red + 2/3 blue.
    const std::uint32_t fourColour[4] = {Argb(255, 255, 0, 0), Argb(255, 0, 0, 255),
                                         Argb(255, 170, 0, 85), Argb(255, 85, 0, 170)};
    // Three-colour mode (c0 <= c1): index 2 the midpoint, index 3 transparent black.
    const std::uint32_t threeColour[4] = {Argb(255, 0, 0, 255), Argb(255, 255, 0, 0),
                                          Argb(255, 128, 0, 128), Argb(0, 0, 0, 0)};
    struct Case {
        D3DFORMAT format;
        std::vector<std::uint8_t> block;
        std::uint32_t rowColour[4];
    };
    std::vector<std::uint8_t> dxt3(8);
    // Explicit 4-bit alpha: row r has alpha 4 r + 3.
    for (int r = 0; r < 4; ++r) {
        const auto a = static_cast<std::uint8_t>(4 * r + 3);
        dxt3[r * 2] = dxt3[r * 2 + 1] = static_cast<std::uint8_t>(a | a << 4);
    }
    const auto colour = ColourBlock(red, blue, rows);
    dxt3.insert(dxt3.end(), colour.begin(), colour.end());
    // DXT5: alpha0 200, alpha1 40 (eight-step mode); row r uses alpha index r.
    std::vector<std::uint8_t> dxt5 = {200, 40};
    std::uint64_t alphaBits = 0;
    for (int i = 0; i < 16; ++i)
        alphaBits |= static_cast<std::uint64_t>(i / 4) << (3 * i);
    for (int i = 0; i < 6; ++i)
        dxt5.push_back(static_cast<std::uint8_t>(alphaBits >> (8 * i)));
    dxt5.insert(dxt5.end(), colour.begin(), colour.end());
    const int dxt5Alpha[4] = {200, 40, (6 * 200 + 1 * 40) / 7, (5 * 200 + 2 * 40) / 7};
    std::vector<Case> cases = {
        {D3DFMT_DXT1, ColourBlock(red, blue, rows), {}},
        {D3DFMT_DXT1, ColourBlock(blue, red, rows), {}},
        {D3DFMT_DXT3, dxt3, {}},
        {D3DFMT_DXT5, dxt5, {}},
    };
    for (int r = 0; r < 4; ++r) {
        cases[0].rowColour[r] = fourColour[r];
        cases[1].rowColour[r] = threeColour[r];
        cases[2].rowColour[r] =
            (fourColour[r] & 0xFFFFFF) | static_cast<std::uint32_t>(0x11 * (4 * r + 3)) << 24;
        cases[3].rowColour[r] =
            (fourColour[r] & 0xFFFFFF) | static_cast<std::uint32_t>(dxt5Alpha[r]) << 24;
    }
    for (const Case& c : cases) {
        Restart(0xFF00FF00);
        Ref<Texture> texture =
            RawTexture(4, 4, c.format, c.block, static_cast<UINT>(c.block.size()));
        ASSERT_TRUE(texture);
        ShowTexture(texture.get());
        DrawScreenQuad(0, 0, 4, 4, 0xFFFFFFFF);
        const auto pixels = ReadPixels();
        for (int r = 0; r < 4; ++r) {
            for (int x = 0; x < 4; ++x) {
                EXPECT_TRUE(Close(pixels[r * kSize + x], c.rowColour[r], 3))
                    << "format " << c.format << " row " << r << ": "
                    << Describe(pixels[r * kSize + x]) << " want " << Describe(c.rowColour[r]);
            }
        }
    }
}

TEST(Textures, LevelsDescriptionsAndPartialLocks) {
    SKIP_WITHOUT_DEVICE();
    Device* device = TestDevice();
    Ref<Texture> chain;
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, chain.put()),
              S_OK);
    ASSERT_EQ(chain->GetLevelCount(), 4u);
    const UINT sizes[4][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (UINT level = 0; level < 4; ++level) {
        D3DSURFACE_DESC desc;
        ASSERT_EQ(chain->GetLevelDesc(level, &desc), S_OK);
        EXPECT_EQ(desc.Width, sizes[level][0]);
        EXPECT_EQ(desc.Height, sizes[level][1]);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    }
    D3DSURFACE_DESC desc;
    EXPECT_EQ(chain->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked;
    const RECT outside{6, 0, 9, 2};
    EXPECT_EQ(chain->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    Ref<Texture> huge;
    EXPECT_EQ(
        device->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, huge.put()),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A2B10G10R10, D3DPOOL_MANAGED, huge.put()),
              D3DERR_INVALIDCALL);

    // Writing a 2 x 2 rectangle changes only those texels.
    Restart();
    Ref<Texture> texture = MakeTexture(4, 4, std::vector<std::uint32_t>(16, 0xFF202020));
    const RECT rect{1, 2, 3, 4};
    ASSERT_EQ(texture->LockRect(0, &locked, &rect, 0), S_OK);
    for (int y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     y * locked.Pitch);
        row[0] = row[1] = 0xFFE0E0E0;
    }
    ASSERT_EQ(texture->UnlockRect(0), S_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    ShowTexture(texture.get());
    DrawScreenQuad(0, 0, 4, 4, 0xFFFFFFFF);
    const auto pixels = ReadPixels();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 2;
            EXPECT_EQ(pixels[y * kSize + x], inside ? 0xFFE0E0E0u : 0xFF202020u) << x << ", " << y;
        }
    }
}

TEST(Textures, ALockHandsOutWhatTheLastUnlockLeftAndANewTextureIsZeros) {
    SKIP_WITHOUT_DEVICE();
    Device* device = TestDevice();
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                                 D3DFMT_A8,       D3DFMT_L8,     D3DFMT_DXT1,     D3DFMT_DXT5};
    int made = 0;
    for (const D3DFORMAT format : formats) {
        Ref<Texture> texture;
        if (device->CreateTexture(8, 8, 2, 0, format, D3DPOOL_MANAGED, texture.put()) != S_OK)
            continue;
        ++made;
        for (UINT level = 0; level < 2; ++level) {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), S_OK);
            // Compressed levels are two rows of blocks, or one; plain ones a row per texel.
            const bool blocks = format == D3DFMT_DXT1 || format == D3DFMT_DXT5;
            const int rows = blocks ? (level == 0 ? 2 : 1) : (level == 0 ? 8 : 4);
            const auto* bytes = static_cast<std::uint8_t*>(locked.pBits);
            const std::size_t size = std::size_t(locked.Pitch) * rows;
            EXPECT_TRUE(std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; }))
                << "format " << format << " level " << level;
            std::vector<std::uint8_t> written(size);
            for (std::size_t i = 0; i < size; ++i)
                written[i] = static_cast<std::uint8_t>(i * 37 + level * 11 + 5);
            std::memcpy(locked.pBits, written.data(), size);
            ASSERT_EQ(texture->UnlockRect(level), S_OK);
            ASSERT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), S_OK);
            EXPECT_EQ(std::memcmp(locked.pBits, written.data(), size), 0)
                << "format " << format << " level " << level;
            ASSERT_EQ(texture->UnlockRect(level), S_OK);
        }
    }
    EXPECT_EQ(made, 8);
}

TEST(Textures, ALevelNeverWrittenIsZerosWithoutAskingTheDriver) {
    SKIP_WITHOUT_DEVICE();
    Restart(0xFF202020);
    Device* device = TestDevice();
    Ref<Texture> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put()),
              S_OK);
    gl::ResetDrawCounters(device);
    auto zeros = [](const D3DLOCKED_RECT& locked, int rows) {
        const auto* bytes = static_cast<const std::uint8_t*>(locked.pBits);
        return std::all_of(bytes, bytes + std::size_t(locked.Pitch) * rows,
                           [](std::uint8_t b) { return b == 0; });
    };
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    EXPECT_TRUE(zeros(locked, 8));
    ASSERT_EQ(texture->UnlockRect(0), S_OK);
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, 0), S_OK);
    EXPECT_TRUE(zeros(locked, 4));
    std::memset(locked.pBits, 0x7F, std::size_t(locked.Pitch) * 4);
    ASSERT_EQ(texture->UnlockRect(1), S_OK);
    EXPECT_EQ(gl::DrawCountersOf(device).textureReadBacks, 0u);
    // A read-only lock wrote nothing: level 0 is still zeros of our own.
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    EXPECT_TRUE(zeros(locked, 8));
    ASSERT_EQ(texture->UnlockRect(0), S_OK);
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(static_cast<const std::uint8_t*>(locked.pBits)[5], 0x7F);
    ASSERT_EQ(texture->UnlockRect(1), S_OK);
    EXPECT_EQ(gl::DrawCountersOf(device).textureReadBacks, 1u) << "the written level only";
}

TEST(Textures, ADrawSamplesZerosFromLevelsNeverWritten) {
    SKIP_WITHOUT_DEVICE();
    Restart(0xFF202020);
    Device* device = TestDevice();
    Ref<Texture> texture;
    ASSERT_EQ(device->CreateTexture(4, 4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put()),
              S_OK);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTexture(0, texture.get());
    DrawScreenQuad(0, 0, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(1, 1), 0u) << Describe(PixelAt(1, 1));
    device->SetTexture(0, nullptr);
}

TEST(Textures, AddressModesRepeatMirrorClampAndBorder) {
    SKIP_WITHOUT_DEVICE();
    const std::uint32_t red = 0xFFFF0000, green = 0xFF00FF00, border = 0xFF0000FF;
    struct Case {
        DWORD mode;
        // texel chosen for u in [-1, 3) in steps of 0.5: t = floor(u * 2)
        std::uint32_t expected[8];
    };
    const Case cases[] = {
        {D3DTADDRESS_WRAP, {red, green, red, green, red, green, red, green}},
        {D3DTADDRESS_MIRROR, {green, red, red, green, green, red, red, green}},
        {D3DTADDRESS_CLAMP, {red, red, red, green, green, green, green, green}},
        {D3DTADDRESS_BORDER, {border, border, red, green, border, border, border, border}},
    };
    for (const Case& c : cases) {
        Restart();
        Ref<Texture> texture = MakeTexture(2, 1, {red, green});
        ShowTexture(texture.get());
        Device* device = TestDevice();
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
        device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, border);
        // Eight pixels spanning u = -1 .. 3.
        const float l = -0.5f, r = 7.5f, t = -0.5f, b = 0.5f;
        const ScreenVertex v[4] = {{l, t, 0.5f, 1, 0xFFFFFFFF, 0, -1, 0.5f, 0, 0},
                                   {r, t, 0.5f, 1, 0xFFFFFFFF, 0, 3, 0.5f, 0, 0},
                                   {l, b, 0.5f, 1, 0xFFFFFFFF, 0, -1, 0.5f, 0, 0},
                                   {r, b, 0.5f, 1, 0xFFFFFFFF, 0, 3, 0.5f, 0, 0}};
        device->SetFVF(kScreenFvf);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
        const auto pixels = ReadPixels();
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(pixels[x], c.expected[x]) << "mode " << c.mode << " pixel " << x;
        }
    }
}

class Coordinates : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_DEVICE();
        Restart();
        for (int i = 0; i < 16; ++i) {
            texels_[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 16) << 16 |
                         static_cast<std::uint32_t>(255 - i * 16);
        }
        texture_ = MakeTexture(4, 4, std::vector<std::uint32_t>(texels_, texels_ + 16));
        ShowTexture(texture_.get());
    }
    std::uint32_t texels_[16];
    Ref<Texture> texture_;
};

TEST_F(Coordinates, TheStageReadsTheCoordinateSetItNames) {
    Device* device = TestDevice();
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    // Set 0 points at texel 0 everywhere; set 1 spans the texture.
    const ScreenVertex v[4] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0, 0, 0, 0, 0},
                               {3.5f, -0.5f, 0.5f, 1, 0, 0, 0, 0, 1, 0},
                               {-0.5f, 3.5f, 0.5f, 1, 0, 0, 0, 0, 0, 1},
                               {3.5f, 3.5f, 0.5f, 1, 0, 0, 0, 0, 1, 1}};
    device->SetFVF(kScreenFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
    const auto pixels = ReadPixels();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(pixels[(i / 4) * kSize + i % 4], texels_[i]) << i;
}

TEST_F(Coordinates, TwoCountTextureTransformTakesItsTranslationFromTheThirdRow) {
    Device* device = TestDevice();
    D3DMATRIX m = Identity();
    m.m[2][0] = 0.25f;  // one texel to the right
    m.m[2][1] = 0.5f;   // two texels down
    m.m[3][0] = 7.0f;   // the fourth row must not count for two coordinates
    device->SetTransform(D3DTS_TEXTURE0, &m);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    DrawScreenQuad(0, 0, 4, 4, 0xFFFFFFFF);
    const auto pixels = ReadPixels();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int texel = ((y + 2) % 4) * 4 + (x + 1) % 4;
            EXPECT_EQ(pixels[y * kSize + x], texels_[texel]) << x << ", " << y;
        }
    }
    // Switched off, the coordinates pass unchanged.
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    DrawScreenQuad(0, 0, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(0, 0), texels_[0]);
}

TEST_F(Coordinates, SphereMapFollowsTheCameraSpaceReflection) {
    Device* device = TestDevice();
    const D3DMATRIX identity = Identity();
    const D3DMATRIX projection = PerspectiveFovLH(1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_SPHEREMAP);
    struct V {
        float x, y, z, nx, ny, nz, u, v;
    };
    for (float tilt : {0.0f, 0.5f, -0.8f}) {
        const float nx = std::sin(tilt), nz = -std::cos(tilt);
        V v[3];
        float uSum = 0, vSum = 0;
        for (int i = 0; i < 3; ++i) {
            const float angle = 1.5707963f - static_cast<float>(i) * 2.0943951f;
            const float x = 0.5f * std::cos(angle), y = 0.5f * std::sin(angle), z = 5.0f;
            v[i] = {x, y, z, nx, 0, nz, 0, 0};
            const float len = std::sqrt(x * x + y * y + z * z);
            const float ex = x / len, ey = y / len, ez = z / len;
            const float d = nx * ex + nz * ez;
            const float rx = ex - 2 * d * nx, ry = ey, rz = ez - 2 * d * nz;
            const float m = 2 * std::sqrt(rx * rx + ry * ry + (rz - 1) * (rz - 1));
            uSum += rx / m + 0.5f;
            vSum += -ry / m + 0.5f;
        }
        // A 3 x 3 texture keeps the centre of the map inside one texel.
        const float u = uSum / 3 * 3, w = vSum / 3 * 3;
        ASSERT_GT(std::fabs(u - std::round(u)), 0.1f) << "texel boundary at tilt " << tilt;
        ASSERT_GT(std::fabs(w - std::round(w)), 0.1f) << "texel boundary at tilt " << tilt;
        Restart();
        Ref<Texture> map = MakeTexture(3, 3, std::vector<std::uint32_t>(texels_, texels_ + 9));
        ShowTexture(map.get());
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_SPHEREMAP);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(V));
        const int texel = static_cast<int>(w) * 3 + static_cast<int>(u);
        EXPECT_EQ(PixelAt(kSize / 2, kSize / 2), texels_[texel])
            << "tilt " << tilt << " texel " << texel;
    }
}

TEST(Gamma, TheRampIsAppliedToTheFinalImageOnly) {
    SKIP_WITHOUT_DEVICE();
    Restart(0xFF4080C0);
    Device* device = TestDevice();
    D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<WORD>((255 - i) * 257);
        ramp.green[i] = static_cast<WORD>(i * 128);
        ramp.blue[i] = static_cast<WORD>(std::min(65535, 5000 + i * 256));
    }
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
    D3DGAMMARAMP read;
    device->GetGammaRamp(0, &read);
    EXPECT_EQ(std::memcmp(&read, &ramp, sizeof ramp), 0);
    const std::uint32_t pixel = PixelAt(3, 3);
    EXPECT_EQ(R(pixel), ramp.red[0x40] >> 8);
    EXPECT_EQ(G(pixel), ramp.green[0x80] >> 8);
    EXPECT_EQ(B(pixel), ramp.blue[0xC0] >> 8);
    // Blending still sees the unramped image: drawing black at half alpha halves the stored
    // colour, and the ramp then applies to that.
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawScreenQuad(0, 0, kSize, kSize, 0x80000000);
    const std::uint32_t blended = PixelAt(3, 3);
    EXPECT_NEAR(R(blended), ramp.red[0x20] >> 8, 1);
    EXPECT_NEAR(G(blended), ramp.green[0x40] >> 8, 1);
    // Presenting keeps working with a ramp in place.
    EXPECT_EQ(device->Present(), S_OK);
}

}  // namespace
}  // namespace gfx::test

namespace gfx::test {
namespace {

TEST(Textures, EachLevelIsLockedOnItsOwnAndTheMipFilterChoosesAmongThem) {
    SKIP_WITHOUT_DEVICE();
    Device* device = TestDevice();
    Ref<Texture> texture;
    ASSERT_EQ(device->CreateTexture(8, 8, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put()),
              S_OK);
    const std::uint32_t colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (UINT level = 0; level < 3; ++level) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), S_OK);
        for (UINT y = 0; y < desc.Height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                         y * locked.Pitch);
            for (UINT x = 0; x < desc.Width; ++x)
                row[x] = colours[level];
        }
        ASSERT_EQ(texture->UnlockRect(level), S_OK);
    }
    struct Case {
        DWORD mipFilter;
        float size;  // pixels the 8 x 8 texture is drawn on
        std::uint32_t expected;
    };
    const Case cases[] = {{D3DTEXF_POINT, 8, colours[0]},
                          {D3DTEXF_POINT, 4, colours[1]},
                          {D3DTEXF_POINT, 2, colours[2]},
                          {D3DTEXF_NONE, 2, colours[0]}};
    for (const Case& c : cases) {
        Restart();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetTexture(0, texture.get());
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, c.mipFilter);
        DrawScreenQuad(0, 0, c.size, c.size, 0xFFFFFFFF);
        EXPECT_EQ(PixelAt(0, 0), c.expected) << "mip filter " << c.mipFilter << " size " << c.size;
    }
}

}  // namespace
}  // namespace gfx::test

namespace gfx::test {
namespace {

// Every 8-bit value of every channel through `ramp`, compared with the table's high bytes.
void ExpectRampApplied(const D3DGAMMARAMP& ramp, const char* what) {
    Restart(0xFF000000);
    Device* device = TestDevice();
    std::vector<std::uint32_t> texels(kSize * kSize);
    for (std::uint32_t i = 0; i < texels.size(); ++i) {
        const std::uint32_t v = i & 255, g = 255 - v, b = (v * 7 + i / 256) & 255;
        texels[i] = 0xFF000000u | v << 16 | g << 8 | b;
    }
    Ref<Texture> texture = MakeTexture(kSize, kSize, texels);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTexture(0, texture.get());
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    DrawScreenQuad(0, 0, kSize, kSize, 0xFFFFFFFF);
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
    const std::vector<std::uint32_t> pixels = ReadPixels();
    int wrong = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t t = texels[i];
        wrong += R(pixels[i]) != ramp.red[R(t)] >> 8;
        wrong += G(pixels[i]) != ramp.green[G(t)] >> 8;
        wrong += B(pixels[i]) != ramp.blue[B(t)] >> 8;
    }
    EXPECT_EQ(wrong, 0) << what;
    // Presenting with it works, and the next ramp replaces it.
    EXPECT_EQ(device->Present(), S_OK);
}

TEST(Gamma, StraightAndBentRampsGiveEveryTableEntry) {
    SKIP_WITHOUT_DEVICE();
    D3DGAMMARAMP ramp{};
    auto fill = [&](auto entry) {
        for (int i = 0; i < 256; ++i) {
            ramp.red[i] = ramp.green[i] = ramp.blue[i] =
                static_cast<WORD>(std::clamp<long long>(entry(i), 0, 65535));
        }
    };
    // The Gamma setting's ramps: an offset, brighter or darker.
    fill([](int i) { return 20 * 200 + i * 256; });
    ExpectRampApplied(ramp, "Gamma 20");
    fill([](int i) { return -100 * 200 + i * 256; });
    ExpectRampApplied(ramp, "Gamma -100");
    // A flash at intensity 0.5, and blended halfway with the base ramp of Gamma 7.
    auto flash = [](int i) { return (long long)(0.5 * 32768 + i * (0.5 * 256 + 256)); };
    fill(flash);
    ExpectRampApplied(ramp, "flash 0.5");
    fill([&](int i) {
        const double f = std::min(65535.0, double(flash(i)));
        const double base = std::clamp(7.0 * 200 + i * 256, 0.0, 65535.0);
        return (long long)(f * 0.37 + base * 0.63);
    });
    ExpectRampApplied(ramp, "blended flash");
    // Over a dark base ramp the blend bends up where the base leaves 0, then down where the flash
    // reaches the top.
    fill([&](int i) {
        const double f = std::min(65535.0, double(flash(i)));
        const double base = std::clamp(-100.0 * 200 + i * 256, 0.0, 65535.0);
        return (long long)(f * 0.55 + base * 0.45);
    });
    ExpectRampApplied(ramp, "flash over a dark base");
    // Channels of their own: a straight line, a falling one and a curve.
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<WORD>(i * 200);
        ramp.green[i] = static_cast<WORD>((255 - i) * 257);
        ramp.blue[i] = static_cast<WORD>(std::sqrt(i / 255.0) * 65535);
    }
    ExpectRampApplied(ramp, "per channel");
    // Setting the same ramp again and then the identity leaves the image as drawn.
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(i * 257);
    }
    ExpectRampApplied(ramp, "identity");
}

}  // namespace
}  // namespace gfx::test
