// State-key normalisation: states that draw alike share a key, states that don't, don't.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/linux/gl/fixed_function_key.h"
#include "platform/linux/gl/shader_generator.h"

namespace gfx::gl {
namespace {

constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2;

DeviceState Fresh() {
    DeviceState state;
    state.SetDefaults(true, 64, 64);
    state.textureBound[0] = true;
    return state;
}

FixedFunctionKey KeyOf(const DeviceState& state, DWORD fvf = kFvf) {
    return BuildKey(state, fvf);
}

TEST(FixedFunctionKey, ArgumentsAnOperationDoesNotReadAreIgnored) {
    DeviceState a = Fresh(), b = Fresh();
    a.stageStates[0][D3DTSS_COLOROP] = b.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    b.stageStates[0][D3DTSS_COLORARG2] = D3DTA_TFACTOR;
    b.stageStates[0][D3DTSS_COLORARG0] = D3DTA_SPECULAR;
    EXPECT_EQ(KeyOf(a), KeyOf(b));
    // ...but one that is read matters.
    b.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TFACTOR;
    EXPECT_FALSE(KeyOf(a) == KeyOf(b));
    // MULTIPLYADD and LERP read argument 0.
    a.stageStates[0][D3DTSS_COLOROP] = b.stageStates[0][D3DTSS_COLOROP] = D3DTOP_LERP;
    a.stageStates[0][D3DTSS_COLORARG1] = b.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    a.stageStates[0][D3DTSS_COLORARG2] = b.stageStates[0][D3DTSS_COLORARG2];
    a.stageStates[0][D3DTSS_COLORARG0] = D3DTA_DIFFUSE;
    EXPECT_FALSE(KeyOf(a) == KeyOf(b));
}

TEST(FixedFunctionKey, StagesAfterTheFirstDisabledOneAreCleared) {
    DeviceState a = Fresh(), b = Fresh();
    b.stageStates[2][D3DTSS_COLOROP] = D3DTOP_ADD;
    b.stageStates[3][D3DTSS_COLOROP] = D3DTOP_MODULATE4X;
    b.textureBound[2] = true;
    EXPECT_EQ(KeyOf(a), KeyOf(b));
    const FixedFunctionKey key = KeyOf(b);
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(key.stages[i].colorOp, 0) << i;
    // Enabling stage 1 brings stage 2 in.
    b.stageStates[1][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    EXPECT_EQ(KeyOf(b).stages[2].colorOp, D3DTOP_ADD);
    EXPECT_EQ(KeyOf(b).stages[4].colorOp, 0);
}

TEST(FixedFunctionKey, TextureDetailsCountOnlyWhereATextureIsRead) {
    DeviceState a = Fresh(), b = Fresh();
    for (DeviceState* s : {&a, &b}) {
        s->stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
        s->stageStates[0][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
        s->stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
    }
    b.stageStates[0][D3DTSS_TEXCOORDINDEX] = 1 | D3DTSS_TCI_SPHEREMAP;
    b.stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT2;
    b.textureBound[0] = false;
    EXPECT_EQ(KeyOf(a), KeyOf(b));
    EXPECT_EQ(KeyOf(a).stages[0].texture, 0);
    // Unread coordinate sets leave the key alone too.
    EXPECT_EQ(KeyOf(a, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1), KeyOf(a));
    // A texture read through BLENDTEXTUREALPHA counts.
    a.stageStates[0][D3DTSS_COLOROP] = D3DTOP_BLENDTEXTUREALPHA;
    EXPECT_EQ(KeyOf(a).stages[0].texture, 1);
}

TEST(FixedFunctionKey, LightingDetailsCountOnlyWithLighting) {
    DeviceState a = Fresh(), b = Fresh();
    a.renderStates[D3DRS_LIGHTING] = b.renderStates[D3DRS_LIGHTING] = 0;
    b.renderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_MATERIAL;
    b.renderStates[D3DRS_NORMALIZENORMALS] = 1;
    EXPECT_EQ(KeyOf(a), KeyOf(b));
    a.renderStates[D3DRS_LIGHTING] = b.renderStates[D3DRS_LIGHTING] = 1;
    EXPECT_FALSE(KeyOf(a) == KeyOf(b));
}

TEST(FixedFunctionKey, WhichLightsAreOnIsNotPartOfTheKey) {
    // Sets of enabled lights of every size and kind, at sparse indices, share one key.
    const std::vector<std::vector<std::pair<DWORD, DWORD>>> sets = {
        {},
        {{0, D3DLIGHT_DIRECTIONAL}},
        {{5, D3DLIGHT_SPOT}},
        {{0, D3DLIGHT_POINT}, {100, D3DLIGHT_SPOT}, {4000, D3DLIGHT_DIRECTIONAL}},
        {{1, D3DLIGHT_POINT},
         {2, D3DLIGHT_POINT},
         {3, D3DLIGHT_POINT},
         {4, D3DLIGHT_POINT},
         {5, D3DLIGHT_SPOT},
         {6, D3DLIGHT_SPOT},
         {7, D3DLIGHT_DIRECTIONAL},
         {9, D3DLIGHT_POINT}},
    };
    const FixedFunctionKey noLights = KeyOf(Fresh());
    for (const auto& set : sets) {
        DeviceState state = Fresh();
        for (const auto& [index, type] : set) {
            state.lights[index].Type = type;
            state.lights[index].Range = static_cast<float>(index);
            state.enabledLights.push_back(index);
        }
        EXPECT_EQ(KeyOf(state), noLights) << set.size() << " lights";
    }
}

TEST(FixedFunctionKey, MaterialSourcesFallBackToTheMaterialWithoutVertexColour) {
    DeviceState a = Fresh();
    EXPECT_EQ(KeyOf(a).diffuseSource, 1);
    EXPECT_EQ(KeyOf(a, D3DFVF_XYZ | D3DFVF_NORMAL).diffuseSource, 0);
    a.renderStates[D3DRS_COLORVERTEX] = 0;
    EXPECT_EQ(KeyOf(a).diffuseSource, 0);
    // Lit, a vertex colour nobody reads makes no difference.
    EXPECT_EQ(KeyOf(a), KeyOf(a, kFvf & ~D3DFVF_DIFFUSE));
    EXPECT_EQ(KeyOf(a), KeyOf(a, kFvf | D3DFVF_SPECULAR));
    a.renderStates[D3DRS_LIGHTING] = 0;
    EXPECT_FALSE(KeyOf(a) == KeyOf(a, kFvf & ~D3DFVF_DIFFUSE));
}

TEST(FixedFunctionKey, PreTransformedVerticesDropLightingAndFog) {
    DeviceState a = Fresh(), b = Fresh();
    b.renderStates[D3DRS_FOGENABLE] = 1;
    b.renderStates[D3DRS_FOGVERTEXMODE] = D3DFOG_LINEAR;
    b.renderStates[D3DRS_RANGEFOGENABLE] = 1;
    b.lights[0].Type = D3DLIGHT_POINT;
    b.enabledLights.push_back(0);
    const DWORD screen = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    EXPECT_EQ(KeyOf(a, screen), KeyOf(b, screen));
    EXPECT_EQ(KeyOf(b, screen).lighting, 0);
    EXPECT_FALSE(KeyOf(a) == KeyOf(b));
}

TEST(FixedFunctionKey, AlphaTestAlwaysIsNoAlphaTest) {
    DeviceState a = Fresh(), b = Fresh();
    b.renderStates[D3DRS_ALPHATESTENABLE] = 1;
    b.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    b.renderStates[D3DRS_ALPHAREF] = 77;
    EXPECT_EQ(KeyOf(a), KeyOf(b));
    b.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    EXPECT_EQ(KeyOf(b).alphaFunc, D3DCMP_GREATEREQUAL);
    a.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    EXPECT_EQ(KeyOf(a).alphaFunc, 0);  // not enabled
}

TEST(FixedFunctionKey, DisabledAlphaPassesTheCurrentAlphaOn) {
    DeviceState a = Fresh(), b = Fresh();
    a.stageStates[1][D3DTSS_COLOROP] = b.stageStates[1][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    a.stageStates[1][D3DTSS_ALPHAOP] = D3DTOP_DISABLE;
    b.stageStates[1][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    b.stageStates[1][D3DTSS_ALPHAARG1] = D3DTA_CURRENT;
    EXPECT_EQ(KeyOf(a), KeyOf(b));
}

TEST(FixedFunctionKey, EqualKeysHashEqually) {
    DeviceState a = Fresh(), b = Fresh();
    b.stageStates[0][D3DTSS_COLORARG0] = D3DTA_TFACTOR;
    b.renderStates[D3DRS_TEXTUREFACTOR] = 0x12345678;
    ASSERT_EQ(KeyOf(a), KeyOf(b));
    EXPECT_EQ(FixedFunctionKeyHash{}(KeyOf(a)), FixedFunctionKeyHash{}(KeyOf(b)));
}

// The device rebuilds the key only after a state EntersKey names changes: no other render state
// may move the key, whatever the rest of the state is.
TEST(FixedFunctionKey, RenderStatesOutsideEntersKeyNeverChangeTheKey) {
    DeviceState lit = Fresh();
    lit.renderStates[D3DRS_LIGHTING] = 1;
    lit.renderStates[D3DRS_SPECULARENABLE] = 1;
    lit.renderStates[D3DRS_COLORVERTEX] = 1;
    lit.renderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    lit.renderStates[D3DRS_FOGENABLE] = 1;
    lit.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_LINEAR;
    lit.renderStates[D3DRS_ALPHATESTENABLE] = 1;
    lit.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATER;
    DeviceState unlit = lit;
    unlit.renderStates[D3DRS_LIGHTING] = 0;
    unlit.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    unlit.renderStates[D3DRS_FOGVERTEXMODE] = D3DFOG_EXP;
    const DWORD values[] = {0, 1, 2, 3, 4, 8, 0x100, 0xFFFFFFFF};
    for (const DeviceState& base : {Fresh(), lit, unlit}) {
        for (DWORD state = 0; state < kRenderStateCount; ++state) {
            const auto type = static_cast<D3DRENDERSTATETYPE>(state);
            if (EntersKey(type))
                continue;
            for (const DWORD value : values) {
                DeviceState changed = base;
                changed.renderStates[state] = value;
                EXPECT_EQ(KeyOf(changed), KeyOf(base)) << "state " << state << " = " << value;
            }
        }
    }
}

TEST(ShaderGenerator, ProgramsReadOnlyTheAttributesTheKeyNeeds) {
    DeviceState state = Fresh();
    state.renderStates[D3DRS_LIGHTING] = 0;
    const std::string plain = GenerateVertexShader(KeyOf(state));
    EXPECT_NE(plain.find("aTex0"), std::string::npos);
    EXPECT_EQ(plain.find("aTex1"), std::string::npos);
    EXPECT_EQ(plain.find("uLightMask &"), std::string::npos) << "unlit: no light loop";
    state.renderStates[D3DRS_LIGHTING] = 1;
    EXPECT_NE(GenerateVertexShader(KeyOf(state)).find("uLightMask &"), std::string::npos);
    state.renderStates[D3DRS_LIGHTING] = 0;
    state.stageStates[0][D3DTSS_TEXCOORDINDEX] = 1;
    const std::string second = GenerateVertexShader(KeyOf(state));
    EXPECT_NE(second.find("aTex1"), std::string::npos);
    const std::string fragment = GenerateFragmentShader(KeyOf(state));
    EXPECT_NE(fragment.find("uTexture0"), std::string::npos);
    EXPECT_EQ(fragment.find("uTexture1"), std::string::npos);
}

}  // namespace
}  // namespace gfx::gl
