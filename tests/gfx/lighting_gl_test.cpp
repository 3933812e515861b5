// Lights, material and fog against D3D's lighting and fog formulas computed here. Each case
// lights an equilateral triangle whose three corners see the light alike, so the colour is
// uniform across it and the centre pixel shows the vertex result.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "gl_test_device.h"
#include "light_rules.h"
#include "platform/linux/gl/device_statistics.h"

namespace gfx::test {
namespace {

struct Vec3 {
    float x, y, z;
};
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
Vec3 Normalize(Vec3 a) {
    return a * (1.0f / Length(a));
}

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR diffuse;
};

constexpr float kDepth = 5.0f;
constexpr float kRadius = 1.5f;
const Vec3 kNormal{0, 0, -1};

// Corner i of the triangle around (0, 0, depth), clockwise as seen from the camera.
Vec3 Corner(int i) {
    const float angle = 1.5707963f - static_cast<float>(i) * 2.0943951f;
    return {kRadius * std::cos(angle), kRadius * std::sin(angle), kDepth};
}

D3DCOLORVALUE Cv(float r, float g, float b, float a = 1) {
    return {r, g, b, a};
}

Rgba Add(Rgba a, Rgba b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b, a.a};
}
Rgba Scale(D3DCOLORVALUE c, float s) {
    return {c.r * s, c.g * s, c.b * s, c.a};
}
Rgba Mul(D3DCOLORVALUE a, Rgba b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b, a.a};
}
Rgba Saturate(Rgba c) {
    auto s = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return {s(c.r), s(c.g), s(c.b), s(c.a)};
}

// D3D's vertex lighting for one light at one vertex (camera space, local viewer).
void LightVertex(const D3DLIGHT9& light, const D3DMATERIAL9& m, Vec3 position, Vec3 normal,
                 bool specular, Rgba& ambient, Rgba& diffuse, Rgba& highlight) {
    Vec3 toLight;
    float atten = 1, spot = 1;
    if (light.Type == D3DLIGHT_DIRECTIONAL) {
        toLight = Normalize({-light.Direction.x, -light.Direction.y, -light.Direction.z});
    } else {
        const Vec3 d = Vec3{light.Position.x, light.Position.y, light.Position.z} - position;
        const float dist = Length(d);
        toLight = d * (1 / dist);
        atten = dist <= light.Range ? 1.0f / (light.Attenuation0 + light.Attenuation1 * dist +
                                              light.Attenuation2 * dist * dist)
                                    : 0.0f;
        if (light.Type == D3DLIGHT_SPOT) {
            const float rho =
                Dot(toLight * -1.0f,
                    Normalize({light.Direction.x, light.Direction.y, light.Direction.z}));
            const float cosTheta = std::cos(light.Theta / 2), cosPhi = std::cos(light.Phi / 2);
            spot = rho > cosTheta  ? 1.0f
                   : rho <= cosPhi ? 0.0f
                                   : std::pow((rho - cosPhi) / (cosTheta - cosPhi), light.Falloff);
        }
    }
    const float ndl = std::max(Dot(normal, toLight), 0.0f);
    const float k = atten * spot;
    ambient = Add(ambient, Scale(light.Ambient, k));
    diffuse = Add(diffuse, Scale(light.Diffuse, k * ndl));
    if (specular && ndl > 0) {
        const Vec3 h = Normalize(toLight + Normalize(position) * -1.0f);
        const float nh = std::max(Dot(normal, h), 0.0f);
        highlight = Add(highlight, Scale(light.Specular, k * std::pow(nh, m.Power)));
    }
}

class Lighting : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_DEVICE();
        Restart();
        Device* device = TestDevice();
        const D3DMATRIX identity = Identity();
        const D3DMATRIX projection = PerspectiveFovLH(1.0f, 1.0f, 100.0f);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        material_ = {Cv(0.8f, 0.6f, 0.4f, 0.7f), Cv(0.2f, 0.4f, 0.6f), Cv(0.5f, 0.5f, 0.5f),
                     Cv(0.05f, 0.1f, 0.0f), 8.0f};
        device->SetMaterial(&material_);
        device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    }

    std::uint32_t DrawTriangle(DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL, D3DCOLOR colour = 0) {
        LitVertex v[3];
        for (int i = 0; i < 3; ++i) {
            const Vec3 c = Corner(i);
            v[i] = {c.x, c.y, c.z, kNormal.x, kNormal.y, kNormal.z, colour};
        }
        Device* device = TestDevice();
        device->SetFVF(fvf);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(LitVertex)), S_OK);
        return PixelAt(kSize / 2, kSize / 2);
    }

    // The colour D3D gives a corner for these lights (all corners agree by construction).
    Rgba Expected(const std::vector<D3DLIGHT9>& lights, bool specular,
                  const D3DMATERIAL9* source = nullptr) {
        const D3DMATERIAL9& m = source ? *source : material_;
        Rgba ambient = ToRgba(0xFF202020), diffuse{}, highlight{};
        for (const auto& light : lights) {
            LightVertex(light, m, Corner(0), kNormal, specular, ambient, diffuse, highlight);
        }
        Rgba c = Add(Add({m.Emissive.r, m.Emissive.g, m.Emissive.b, 0}, Mul(m.Ambient, ambient)),
                     Mul(m.Diffuse, diffuse));
        c.a = m.Diffuse.a;
        c = Saturate(c);
        if (specular)
            c = Saturate(Add(c, Mul(m.Specular, highlight)));
        return c;
    }

    // The lights at indices 0, 1, ... or at the given ones.
    void Use(const std::vector<D3DLIGHT9>& lights, const std::vector<DWORD>& indices = {}) {
        for (DWORD i = 0; i < lights.size(); ++i) {
            const DWORD index = i < indices.size() ? indices[i] : i;
            ASSERT_EQ(TestDevice()->SetLight(index, &lights[i]), S_OK);
            ASSERT_EQ(TestDevice()->LightEnable(index, 1), S_OK);
        }
    }

    D3DMATERIAL9 material_{};
};

D3DLIGHT9 Directional(Vec3 direction, D3DCOLORVALUE diffuse) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = diffuse;
    light.Ambient = Cv(0.1f, 0.05f, 0.0f);
    light.Specular = Cv(1, 1, 1);
    light.Direction = {direction.x, direction.y, direction.z};
    return light;
}

D3DLIGHT9 Point(float height, float range, float a0, float a1, float a2) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = Cv(0.9f, 0.7f, 0.5f);
    light.Ambient = Cv(0.1f, 0.1f, 0.1f);
    light.Specular = Cv(0.6f, 0.6f, 0.6f);
    light.Position = {0, 0, kDepth - height};
    light.Range = range;
    light.Attenuation0 = a0;
    light.Attenuation1 = a1;
    light.Attenuation2 = a2;
    return light;
}

D3DLIGHT9 Spot(float theta, float phi, float falloff) {
    D3DLIGHT9 light = Point(2.0f, 100.0f, 1.0f, 0.0f, 0.0f);
    light.Type = D3DLIGHT_SPOT;
    light.Direction = {0, 0, 1};
    light.Theta = theta;
    light.Phi = phi;
    light.Falloff = falloff;
    return light;
}

TEST_F(Lighting, EachLightTypeFollowsTheFormulas) {
    struct Case {
        const char* name;
        std::vector<D3DLIGHT9> lights;
        bool specular;
    };
    const Case cases[] = {
        {"directional head-on", {Directional({0, 0, 1}, Cv(0.6f, 0.5f, 0.4f))}, false},
        {"directional slanted", {Directional({0.6f, 0, 0.8f}, Cv(1, 1, 1))}, false},
        {"directional from behind", {Directional({0, 0, -1}, Cv(1, 1, 1))}, false},
        {"two directional",
         {Directional({0, 0, 1}, Cv(0.3f, 0, 0)), Directional({0, 0.6f, 0.8f}, Cv(0, 0.4f, 0.2f))},
         false},
        {"point constant", {Point(2, 100, 1, 0, 0)}, false},
        {"point attenuated", {Point(2, 100, 0.5f, 0.2f, 0.05f)}, false},
        {"point out of range", {Point(2, 1.0f, 1, 0, 0)}, false},
        {"spot inside the cone", {Spot(1.6f, 2.0f, 1.0f)}, false},
        {"spot in the penumbra", {Spot(0.6f, 1.6f, 1.0f)}, false},
        {"spot penumbra falloff 2", {Spot(0.6f, 1.6f, 2.0f)}, false},
        {"spot outside", {Spot(0.3f, 0.5f, 1.0f)}, false},
        {"directional specular", {Directional({0.3f, 0, 0.95f}, Cv(0.4f, 0.4f, 0.4f))}, true},
        {"point specular", {Point(3, 100, 1, 0, 0)}, true},
    };
    for (const Case& c : cases) {
        SetUp();
        Use(c.lights);
        TestDevice()->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
        const std::uint32_t pixel = DrawTriangle();
        EXPECT_TRUE(Near(pixel, Expected(c.lights, c.specular)))
            << c.name << ": " << Describe(pixel);
    }
}

TEST_F(Lighting, AnySetOfLightsAtAnyIndicesDrawsWithOneProgram) {
    auto dim = [](D3DLIGHT9 light, float scale) {
        light.Diffuse = {light.Diffuse.r * scale, light.Diffuse.g * scale, light.Diffuse.b * scale,
                         1};
        light.Ambient = {0.02f, 0.01f, 0.03f, 0};
        light.Specular = {0.1f, 0.1f, 0.1f, 0};
        return light;
    };
    const D3DLIGHT9 directional = dim(Directional({0.3f, 0, 0.95f}, Cv(1, 0.8f, 0.6f)), 0.3f);
    const D3DLIGHT9 point = dim(Point(2, 100, 0.5f, 0.2f, 0.05f), 0.5f);
    const D3DLIGHT9 spot = dim(Spot(0.6f, 1.6f, 2.0f), 0.8f);
    const D3DLIGHT9 outside = Spot(0.3f, 0.5f, 1.0f);
    struct Case {
        std::vector<D3DLIGHT9> lights;
        std::vector<DWORD> indices;
        bool specular;
    };
    const Case cases[] = {
        {{point}, {}, false},
        {{directional, point, spot}, {0, 5, 100}, false},
        {{spot, directional}, {4000, 3}, true},
        {{spot, outside, point, directional}, {7, 2, 9, 4000}, true},
        {{directional, point, spot, point, spot, directional, point, spot},
         {0, 1, 2, 3, 4, 5, 6, 7},
         false},
        {{}, {}, false},
        {{outside}, {12}, false},
    };
    std::uint64_t compiled = 0;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SetUp();
        Use(c.lights, c.indices);
        TestDevice()->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
        const std::uint32_t pixel = DrawTriangle();
        EXPECT_TRUE(Near(pixel, Expected(c.lights, c.specular))) << i << ": " << Describe(pixel);
        // Once both specular variants exist, no set of lights compiles another program.
        if (i >= 3) {
            EXPECT_EQ(gl::CacheStatsOf(TestDevice()).compiled, compiled) << "case " << i;
        }
        compiled = gl::CacheStatsOf(TestDevice()).compiled;
    }
}

TEST_F(Lighting, LightsSwitchedOnInPlaceOfOthersDrawWithTheirOwnValues) {
    // Sixteen dim lights of every kind; at most eight are on at a time.
    std::vector<D3DLIGHT9> all;
    for (int i = 0; i < 16; ++i) {
        D3DLIGHT9 light = i % 3 == 0   ? Directional({0.1f * static_cast<float>(i % 4), 0, 1},
                                                     Cv(0.05f, 0.04f, 0.03f))
                          : i % 3 == 1 ? Point(1.5f + 0.1f * static_cast<float>(i), 100, 1, 0.1f, 0)
                                       : Spot(0.6f, 1.6f, 1.0f + 0.1f * static_cast<float>(i));
        light.Diffuse =
            Cv(0.03f * static_cast<float>(i % 5), 0.05f, 0.02f * static_cast<float>(i % 7));
        light.Ambient = Cv(0.01f, 0.0f, 0.01f * static_cast<float>(i % 3));
        all.push_back(light);
        ASSERT_EQ(TestDevice()->SetLight(static_cast<DWORD>(i), &light), S_OK);
    }
    auto drawWith = [&](const std::vector<int>& on, const char* what) {
        for (int i = 0; i < 16; ++i)
            TestDevice()->LightEnable(static_cast<DWORD>(i), 0);
        std::vector<D3DLIGHT9> lights;
        for (int i : on) {
            ASSERT_EQ(TestDevice()->LightEnable(static_cast<DWORD>(i), 1), S_OK) << what;
            lights.push_back(all[i]);
        }
        const std::uint32_t pixel = DrawTriangle();
        EXPECT_TRUE(Near(pixel, Expected(lights, false))) << what << ": " << Describe(pixel);
    };
    drawWith({0, 1, 2, 3, 4, 5, 6, 7}, "the first eight");
    drawWith({4, 5, 6, 7, 10, 11, 12, 13}, "half of them replaced");
    drawWith({0, 4, 5, 6, 7, 11, 12, 13}, "one of the first back");
    drawWith({8, 9, 14, 15}, "four new ones");
    drawWith({1, 3, 9, 11, 13, 15}, "odd ones");
}

TEST_F(Lighting, ValuesChangedWhileAnotherProgramDrewReachTheFirst) {
    const std::vector<D3DLIGHT9> before = {Directional({0, 0, 1}, Cv(0.6f, 0.5f, 0.4f))};
    Use(before);
    std::uint32_t pixel = DrawTriangle();
    ASSERT_TRUE(Near(pixel, Expected(before, false))) << Describe(pixel);
    // An unlit program draws while the material, light, ambient and view change.
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 0xFF00FF00);
    D3DMATERIAL9 changed = material_;
    changed.Diffuse = Cv(0.3f, 0.9f, 0.5f, 1);
    changed.Emissive = Cv(0.1f, 0, 0.2f);
    device->SetMaterial(&changed);
    const std::vector<D3DLIGHT9> after = {Point(3, 100, 1, 0.1f, 0)};
    device->SetLight(0, &after[0]);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 0xFF00FF00);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    // A view that moves the camera 1 back, with the triangle and the light moved along.
    const D3DMATRIX view{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 1}}};
    const D3DMATRIX world{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, -1, 1}}};
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_WORLD, &world);
    D3DLIGHT9 moved = after[0];
    moved.Position.z -= 1;
    device->SetLight(0, &moved);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    pixel = DrawTriangle();
    EXPECT_TRUE(Near(pixel, Expected(after, false, &changed))) << Describe(pixel);
}

TEST_F(Lighting, UniformsAndLightsGoUpOnlyWhenTheyChange) {
    const std::vector<D3DLIGHT9> lights = {Directional({0, 0, 1}, Cv(0.6f, 0.5f, 0.4f)),
                                           Point(2, 100, 1, 0, 0)};
    Use(lights, {3, 900});
    Device* device = TestDevice();
    DrawTriangle();
    auto afterDraw = [&](const char* what) {
        gl::ResetDrawCounters(device);
        DrawTriangle();
        const gl::DrawCounters counters = gl::DrawCountersOf(device);
        SCOPED_TRACE(what);
        return counters;
    };
    gl::DrawCounters c = afterDraw("nothing changed");
    EXPECT_EQ(c.uniformUploads, 0u);
    EXPECT_EQ(c.lightTransforms, 0u);
    EXPECT_GT(c.uniformsKept, 0u);

    const D3DMATRIX nudged{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0.01f, 1}}};
    device->SetTransform(D3DTS_WORLD, &nudged);
    c = afterDraw("world");
    EXPECT_GT(c.uniformUploads, 0u);
    EXPECT_EQ(c.lightTransforms, 0u) << "the world matrix doesn't move the lights";
    device->SetTransform(D3DTS_WORLD, &nudged);
    EXPECT_EQ(afterDraw("the same world again").uniformUploads, 0u);

    device->SetTransform(D3DTS_VIEW, &nudged);
    c = afterDraw("view");
    EXPECT_GT(c.uniformUploads, 0u);
    EXPECT_EQ(c.lightTransforms, 2u) << "both lights";
    D3DLIGHT9 changed = lights[1];
    changed.Diffuse.r = 1;
    device->SetLight(900, &changed);
    c = afterDraw("a light's colour");
    EXPECT_GT(c.uniformUploads, 0u);
    EXPECT_EQ(c.lightTransforms, 0u) << "nothing moved";
    changed.Position.x += 1;
    device->SetLight(900, &changed);
    EXPECT_EQ(afterDraw("a light's place").lightTransforms, 1u);
    device->SetLight(900, &changed);
    EXPECT_EQ(afterDraw("the same light again").uniformUploads, 0u);
    device->SetLight(901, &changed);  // not enabled
    EXPECT_EQ(afterDraw("a light that is off").uniformUploads, 0u);
    // Switching lights on and off sends the new set but moves none of them.
    device->LightEnable(3, 0);
    c = afterDraw("one light off");
    EXPECT_GT(c.uniformUploads, 0u);
    EXPECT_EQ(c.lightTransforms, 0u);
    device->LightEnable(3, 1);
    c = afterDraw("back on");
    EXPECT_EQ(c.lightTransforms, 0u);
    EXPECT_EQ(c.uniformUploads, 1u) << "only which lights are on";
    EXPECT_EQ(afterDraw("still on").uniformUploads, 0u);

    // Without the caching every draw sends everything and moves the lights again.
    gl::SetUniformCaching(device, false);
    c = afterDraw("caching off");
    gl::SetUniformCaching(device, true);
    EXPECT_GT(c.uniformUploads, 10u);
    EXPECT_EQ(c.lightTransforms, 2u);
}

TEST_F(Lighting, DisabledLightsAndSpecularOffAddNothing) {
    const std::vector<D3DLIGHT9> lights = {Directional({0, 0, 1}, Cv(1, 1, 1))};
    Use(lights);
    TestDevice()->LightEnable(0, 0);
    std::uint32_t pixel = DrawTriangle();
    EXPECT_TRUE(Near(pixel, Expected({}, false))) << Describe(pixel);

    SetUp();
    Use(lights);  // specular stays off by default
    pixel = DrawTriangle();
    EXPECT_TRUE(Near(pixel, Expected(lights, false))) << Describe(pixel);
}

TEST_F(Lighting, VertexColourReplacesTheMaterialColourItIsSourceFor) {
    const std::vector<D3DLIGHT9> lights = {Directional({0, 0.6f, 0.8f}, Cv(0.7f, 0.7f, 0.7f))};
    const D3DCOLOR vertex = 0x80FF8000;
    D3DMATERIAL9 fromVertex = material_;
    fromVertex.Diffuse = Cv(1.0f, 128 / 255.0f, 0.0f, 128 / 255.0f);

    Use(lights);
    std::uint32_t pixel = DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, vertex);
    EXPECT_TRUE(Near(pixel, Expected(lights, false, &fromVertex))) << Describe(pixel);

    // Without COLORVERTEX the material holds.
    SetUp();
    Use(lights);
    TestDevice()->SetRenderState(D3DRS_COLORVERTEX, 0);
    pixel = DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, vertex);
    EXPECT_TRUE(Near(pixel, Expected(lights, false))) << Describe(pixel);

    // Ambient from the vertex colour when asked.
    SetUp();
    Use(lights);
    TestDevice()->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    TestDevice()->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    D3DMATERIAL9 ambientFromVertex = material_;
    ambientFromVertex.Ambient = fromVertex.Diffuse;
    pixel = DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, vertex);
    EXPECT_TRUE(Near(pixel, Expected(lights, false, &ambientFromVertex))) << Describe(pixel);
}

TEST_F(Lighting, UnlitVerticesKeepTheirColour) {
    TestDevice()->SetRenderState(D3DRS_LIGHTING, 0);
    std::uint32_t pixel = DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 0x80406080);
    EXPECT_EQ(pixel, 0x80406080u) << Describe(pixel);
    pixel = DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL);
    EXPECT_EQ(pixel, 0xFFFFFFFFu) << Describe(pixel);
}

TEST_F(Lighting, LinearRangeAndExponentialFog) {
    struct Case {
        DWORD mode;
        bool range;
        float start, end, density;
    };
    const Case cases[] = {{D3DFOG_LINEAR, false, 2, 10, 0}, {D3DFOG_LINEAR, true, 2, 10, 0},
                          {D3DFOG_LINEAR, false, 6, 20, 0}, {D3DFOG_LINEAR, false, 1, 4, 0},
                          {D3DFOG_EXP, false, 0, 0, 0.1f},  {D3DFOG_EXP2, true, 0, 0, 0.15f}};
    const D3DCOLOR fogColour = 0xFF3060C0;
    for (const Case& c : cases) {
        SetUp();
        Device* device = TestDevice();
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetRenderState(D3DRS_FOGENABLE, 1);
        device->SetRenderState(D3DRS_FOGVERTEXMODE, c.mode);
        device->SetRenderState(D3DRS_RANGEFOGENABLE, c.range);
        device->SetRenderState(D3DRS_FOGCOLOR, fogColour);
        device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(c.start));
        device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(c.end));
        device->SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(c.density));
        const D3DCOLOR colour = 0xFFE0A020;
        const std::uint32_t pixel =
            DrawTriangle(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, colour);
        const float d = c.range ? Length(Corner(0)) : kDepth;
        float f = c.mode == D3DFOG_LINEAR ? (c.end - d) / (c.end - c.start)
                  : c.mode == D3DFOG_EXP  ? std::exp(-d * c.density)
                                          : std::exp(-(d * c.density) * (d * c.density));
        f = std::clamp(f, 0.0f, 1.0f);
        const Rgba a = ToRgba(colour), fog = ToRgba(fogColour);
        const Rgba expected{a.r * f + fog.r * (1 - f), a.g * f + fog.g * (1 - f),
                            a.b * f + fog.b * (1 - f), 1};
        EXPECT_TRUE(Near(pixel, expected))
            << "mode " << c.mode << " range " << c.range << ": " << Describe(pixel);
    }
}

TEST_F(Lighting, PreTransformedVerticesTakeNoFog) {
    Device* device = TestDevice();
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFFFFFFFF);
    DrawScreenQuad(0, 0, kSize, kSize, 0xFF102030);
    EXPECT_EQ(PixelAt(4, 4), 0xFF102030u);
}

}  // namespace
}  // namespace gfx::test

namespace gfx::test {
namespace {

TEST(Lights, AnyIndexAndAtMostEightEnabled) {
    SKIP_WITHOUT_DEVICE();
    Restart();
    CheckLightRules(TestDevice());
    Restart();
    D3DLIGHT9 light;
    EXPECT_EQ(TestDevice()->GetLight(4000, &light), D3DERR_INVALIDCALL) << "reset forgets lights";
}

}  // namespace
}  // namespace gfx::test
