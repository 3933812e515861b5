// Texture-stage operations, arguments and modifiers against D3D's definitions computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "gl_test_device.h"

namespace gfx::test {
namespace {

constexpr D3DCOLOR kDiffuse = 0x60804CC0;
constexpr D3DCOLOR kTexel = 0xA0309060;
constexpr D3DCOLOR kFactor = 0x5020E070;
constexpr D3DCOLOR kSpecular = 0x40102030;

struct Inputs {
    Rgba diffuse, texture, factor, specular;
};

Rgba Clamp(Rgba c) {
    auto s = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return {s(c.r), s(c.g), s(c.b), s(c.a)};
}

Rgba Map(Rgba a, Rgba b, float (*f)(float, float)) {
    return {f(a.r, b.r), f(a.g, b.g), f(a.b, b.b), f(a.a, b.a)};
}

Rgba Argument(DWORD arg, const Inputs& in, Rgba current) {
    Rgba v{};
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            v = in.diffuse;
            break;
        case D3DTA_CURRENT:
            v = current;
            break;
        case D3DTA_TEXTURE:
            v = in.texture;
            break;
        case D3DTA_TFACTOR:
            v = in.factor;
            break;
        case D3DTA_SPECULAR:
            v = in.specular;
            break;
    }
    if (arg & D3DTA_ALPHAREPLICATE)
        v = {v.a, v.a, v.a, v.a};
    if (arg & D3DTA_COMPLEMENT)
        v = {1 - v.r, 1 - v.g, 1 - v.b, 1 - v.a};
    return v;
}

// D3D's texture operations, channel by channel.
Rgba Operation(DWORD op, Rgba a0, Rgba a1, Rgba a2, const Inputs& in, Rgba current) {
    auto blend = [&](float s) {
        return Rgba{a1.r * s + a2.r * (1 - s), a1.g * s + a2.g * (1 - s), a1.b * s + a2.b * (1 - s),
                    a1.a * s + a2.a * (1 - s)};
    };
    switch (op) {
        case D3DTOP_SELECTARG1:
            return a1;
        case D3DTOP_SELECTARG2:
            return a2;
        case D3DTOP_MODULATE:
            return Map(a1, a2, [](float x, float y) { return x * y; });
        case D3DTOP_MODULATE2X:
            return Map(a1, a2, [](float x, float y) { return 2 * x * y; });
        case D3DTOP_MODULATE4X:
            return Map(a1, a2, [](float x, float y) { return 4 * x * y; });
        case D3DTOP_ADD:
            return Map(a1, a2, [](float x, float y) { return x + y; });
        case D3DTOP_ADDSIGNED:
            return Map(a1, a2, [](float x, float y) { return x + y - 0.5f; });
        case D3DTOP_ADDSIGNED2X:
            return Map(a1, a2, [](float x, float y) { return 2 * (x + y - 0.5f); });
        case D3DTOP_SUBTRACT:
            return Map(a1, a2, [](float x, float y) { return x - y; });
        case D3DTOP_ADDSMOOTH:
            return Map(a1, a2, [](float x, float y) { return x + y - x * y; });
        case D3DTOP_BLENDDIFFUSEALPHA:
            return blend(in.diffuse.a);
        case D3DTOP_BLENDTEXTUREALPHA:
            return blend(in.texture.a);
        case D3DTOP_BLENDFACTORALPHA:
            return blend(in.factor.a);
        case D3DTOP_BLENDCURRENTALPHA:
            return blend(current.a);
        case D3DTOP_BLENDTEXTUREALPHAPM:
            return Rgba{a1.r + a2.r * (1 - in.texture.a), a1.g + a2.g * (1 - in.texture.a),
                        a1.b + a2.b * (1 - in.texture.a), a1.a + a2.a * (1 - in.texture.a)};
        case D3DTOP_MODULATEALPHA_ADDCOLOR:
            return {a1.r + a1.a * a2.r, a1.g + a1.a * a2.g, a1.b + a1.a * a2.b, a1.a};
        case D3DTOP_DOTPRODUCT3: {
            const float d = 4 * ((a1.r - 0.5f) * (a2.r - 0.5f) + (a1.g - 0.5f) * (a2.g - 0.5f) +
                                 (a1.b - 0.5f) * (a2.b - 0.5f));
            return {d, d, d, d};
        }
        case D3DTOP_MULTIPLYADD:
            return {a0.r + a1.r * a2.r, a0.g + a1.g * a2.g, a0.b + a1.b * a2.b, a0.a + a1.a * a2.a};
        case D3DTOP_LERP:
            return {a0.r * a1.r + (1 - a0.r) * a2.r, a0.g * a1.g + (1 - a0.g) * a2.g,
                    a0.b * a1.b + (1 - a0.b) * a2.b, a0.a * a1.a + (1 - a0.a) * a2.a};
    }
    return {};
}

struct StageCase {
    DWORD colorOp, colorArg1, colorArg2, colorArg0;
    DWORD alphaOp, alphaArg1, alphaArg2, alphaArg0;
};

class StageOps : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_DEVICE();
        texture_ = MakeTexture(1, 1, {kTexel});
        inputs_ = {ToRgba(kDiffuse), ToRgba(kTexel), ToRgba(kFactor), ToRgba(kSpecular)};
    }

    void Prepare() {
        Restart();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, kFactor);
        device->SetTexture(0, texture_.get());
    }

    // Runs one stage; returns the pixel it draws.
    std::uint32_t Run(const StageCase& c) {
        Prepare();
        Device* device = TestDevice();
        device->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, c.colorArg1);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, c.colorArg2);
        device->SetTextureStageState(0, D3DTSS_COLORARG0, c.colorArg0);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alphaArg1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.alphaArg2);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG0, c.alphaArg0);
        DrawScreenQuad(0, 0, kSize, kSize, kDiffuse, kSpecular);
        return PixelAt(kSize / 2, kSize / 2);
    }

    Rgba Expected(const StageCase& c) {
        const Rgba current = inputs_.diffuse;
        const Rgba colour =
            Clamp(Operation(c.colorOp, Argument(c.colorArg0, inputs_, current),
                            Argument(c.colorArg1, inputs_, current),
                            Argument(c.colorArg2, inputs_, current), inputs_, current));
        if (c.colorOp == D3DTOP_DOTPRODUCT3)
            return colour;
        const Rgba alpha =
            Clamp(Operation(c.alphaOp, Argument(c.alphaArg0, inputs_, current),
                            Argument(c.alphaArg1, inputs_, current),
                            Argument(c.alphaArg2, inputs_, current), inputs_, current));
        return {colour.r, colour.g, colour.b, alpha.a};
    }

    Ref<Texture> texture_;
    Inputs inputs_{};
};

TEST_F(StageOps, EveryColourAndAlphaOperationFollowsItsDefinition) {
    const DWORD ops[] = {D3DTOP_SELECTARG1,
                         D3DTOP_SELECTARG2,
                         D3DTOP_MODULATE,
                         D3DTOP_MODULATE2X,
                         D3DTOP_MODULATE4X,
                         D3DTOP_ADD,
                         D3DTOP_ADDSIGNED,
                         D3DTOP_ADDSIGNED2X,
                         D3DTOP_SUBTRACT,
                         D3DTOP_ADDSMOOTH,
                         D3DTOP_BLENDDIFFUSEALPHA,
                         D3DTOP_BLENDTEXTUREALPHA,
                         D3DTOP_BLENDFACTORALPHA,
                         D3DTOP_BLENDCURRENTALPHA,
                         D3DTOP_BLENDTEXTUREALPHAPM,
                         D3DTOP_MODULATEALPHA_ADDCOLOR,
                         D3DTOP_DOTPRODUCT3,
                         D3DTOP_MULTIPLYADD,
                         D3DTOP_LERP};
    for (DWORD op : ops) {
        // The colour runs the operation on texture and diffuse; alpha runs it on the factor
        // and the texture, so both paths see each operation.
        const StageCase c{op, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_TFACTOR,
                          op, D3DTA_TFACTOR, D3DTA_TEXTURE, D3DTA_DIFFUSE};
        const std::uint32_t pixel = Run(c);
        EXPECT_TRUE(Near(pixel, Expected(c))) << "op " << op << ": " << Describe(pixel);
    }
}

TEST_F(StageOps, ArgumentsAndModifiersSelectTheirSources) {
    const DWORD sources[] = {D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTA_TFACTOR,
                             D3DTA_SPECULAR};
    const DWORD modifiers[] = {0, D3DTA_COMPLEMENT, D3DTA_ALPHAREPLICATE,
                               D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE};
    for (DWORD source : sources) {
        for (DWORD modifier : modifiers) {
            const DWORD arg = source | modifier;
            const StageCase c{D3DTOP_SELECTARG1, arg,           D3DTA_DIFFUSE, D3DTA_CURRENT,
                              D3DTOP_SELECTARG2, D3DTA_DIFFUSE, arg,           D3DTA_CURRENT};
            const std::uint32_t pixel = Run(c);
            EXPECT_TRUE(Near(pixel, Expected(c))) << "argument " << arg << ": " << Describe(pixel);
        }
    }
}

TEST_F(StageOps, LaterStagesWorkOnTheCurrentResultAndStopAtTheFirstDisabledStage) {
    Prepare();
    Device* device = TestDevice();
    // Stage 0: texture; 1: current x 2 x factor; 2: current + diffuse; 3 disabled; 4 would
    // turn everything white if it ran.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(2, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(2, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(2, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    device->SetTextureStageState(2, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(4, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(4, D3DTSS_COLORARG1, D3DTA_TFACTOR | D3DTA_COMPLEMENT);
    DrawScreenQuad(0, 0, kSize, kSize, kDiffuse, kSpecular);
    const Rgba t = inputs_.texture, f = inputs_.factor, d = inputs_.diffuse;
    const Rgba stage1 = Clamp({2 * t.r * f.r, 2 * t.g * f.g, 2 * t.b * f.b, t.a});
    const Rgba stage2 = Clamp({stage1.r + d.r, stage1.g + d.g, stage1.b + d.b, t.a * f.a});
    const std::uint32_t pixel = PixelAt(5, 5);
    EXPECT_TRUE(Near(pixel, stage2)) << Describe(pixel);
}

TEST_F(StageOps, EightStagesChain) {
    Prepare();
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x10101010);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    for (DWORD stage = 1; stage < 8; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_ADD);
        device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_CURRENT);
        device->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        device->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    }
    DrawScreenQuad(0, 0, kSize, kSize, kDiffuse);
    const std::uint32_t pixel = PixelAt(3, 3);
    EXPECT_TRUE(Near(pixel, {8 * 16 / 255.0f, 8 * 16 / 255.0f, 8 * 16 / 255.0f, 0}, false))
        << Describe(pixel);
}

TEST_F(StageOps, AStageWithoutTextureReadsOpaqueBlack) {
    Prepare();
    Device* device = TestDevice();
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    DrawScreenQuad(0, 0, kSize, kSize, kDiffuse);
    const std::uint32_t pixel = PixelAt(3, 3);
    const Rgba d = inputs_.diffuse;
    EXPECT_TRUE(Near(pixel, {d.r, d.g, d.b, 1})) << Describe(pixel);
}

TEST_F(StageOps, DisabledFirstStageDrawsTheDiffuseColour) {
    Prepare();
    TestDevice()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    DrawScreenQuad(0, 0, kSize, kSize, kDiffuse);
    const std::uint32_t pixel = PixelAt(3, 3);
    EXPECT_TRUE(Near(pixel, inputs_.diffuse)) << Describe(pixel);
}

}  // namespace
}  // namespace gfx::test
