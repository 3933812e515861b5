#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fake_device_fixture.h"
#include "render/scene/material_library.h"
#include "render/states/render_states.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "test_images.h"
#include "udf/udf_node.h"
#include "vfs/search_paths.h"

namespace {

using namespace gfx;
using render::RenderStates;
using udf::UdfNode;

std::string Call(const char* format, auto... args) {
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string StageCall(DWORD stage, DWORD type, DWORD value) {
    return Call("SetTextureStageState(%u, %u, %u)", stage, type, value);
}

std::string StateCall(DWORD state, DWORD value) {
    return Call("SetRenderState(%u, %u)", state, value);
}

class MaterialsTest : public render::test::FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        static std::atomic<int> counter{0};
        folder =
            std::filesystem::path(::testing::TempDir()) /
            ("zorvane_materials_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        paths.add(vfs::FileSource(core::EngineString(folder.string())));
        Write("opaque.tga",
              render::test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0xFF808080), 24));
        Write("alpha.tga", render::test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0x80808080)));
    }
    void TearDown() override {
        library.Clear();
        for (render::Texture* texture : textures) {
            texture->Release();
        }
        std::filesystem::remove_all(folder);
        FakeDeviceTest::TearDown();
    }

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    render::Texture* Load(const std::string& name) {
        render::TextureRequest request;
        request.source = vfs::FileSource(core::EngineString(name));
        request.source.flags = vfs::kSourceDisk;
        render::Texture* texture = render::TextureManager::Instance().GetTexture(request, &paths);
        EXPECT_NE(texture, nullptr) << name;
        textures.push_back(texture);
        return texture;
    }

    // A material record with one "Diffuse" texture entry (or none for an empty file name).
    static std::unique_ptr<UdfNode> Material(const std::string& name, const std::string& file,
                                             std::int32_t subId = -1) {
        auto record = std::make_unique<UdfNode>(name, "Material");
        if (subId >= 0) {
            record->addInt("MaterialSubId", subId);
            record->addString("Name", name);
        }
        if (!file.empty()) {
            UdfNode* textures = record->addChild(std::make_unique<UdfNode>("Textures", "Textures"));
            UdfNode* entry = textures->addChild(std::make_unique<UdfNode>("Diffuse", "Diffuse"));
            entry->addString("FileName", file);
        }
        return record;
    }

    std::filesystem::path folder;
    vfs::SearchPaths paths;
    render::MaterialLibrary library;
    std::vector<render::Texture*> textures;
};

TEST_F(MaterialsTest, DefaultBlockDrawsTextureTimesDiffuseLitAndOpaque) {
    RenderStates block;
    block.stages[0].texture = Load("opaque.tga");
    EXPECT_FALSE(render::IsTransparent(block));
    render::ApplyRenderStates(block, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_LIGHTING, 1)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_COLORVERTEX, 0)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHABLENDENABLE, 0)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHATESTENABLE, 0)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_CULLMODE, D3DCULL_CCW)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_COLOROP, D3DTOP_MODULATE)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_COLORARG1, D3DTA_TEXTURE)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_COLOROP, D3DTOP_DISABLE)));
    EXPECT_EQ(Log().Count("SetTexture"), 1u);
    EXPECT_EQ(Log().Count("SetRenderState") - 0, Log().Count("SetRenderState"));
    EXPECT_FALSE(Log().Contains(StateCall(D3DRS_TEXTUREFACTOR, 0)));

    // Without normals or colours the texture stands alone and lighting is off.
    Log().Clear();
    render::ApplyRenderStates(block, D3DFVF_XYZ | D3DFVF_TEX1);
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_LIGHTING, 0)));
}

TEST_F(MaterialsTest, LightMapSubMaterialFillsStageOne) {
    Write("wood.tga", render::test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0xFF804020), 24));
    Write("light.tga", render::test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0xFF808080), 24));
    UdfNode materials("Materials");
    UdfNode* clock = materials.addChild(std::make_unique<UdfNode>("clock", "Material"));
    UdfNode* subs = clock->addChild(UdfNode::makeArray("Materials", "Material", 2));
    subs->addChild(Material("Clock main", "wood.tga", 0));
    auto baked = Material("Clock LightMap", "light.tga", 1);
    baked->addChild(UdfNode::makeLeaf("0", "Material", nullptr, 0, false));
    subs->addChild(std::move(baked));

    ASSERT_TRUE(library.LoadMaterialLibrary(materials, RenderStates(), &paths));
    const RenderStates* block = library.Find("clock");
    ASSERT_NE(block, nullptr);
    const auto& stage1 = block->stages[1];
    EXPECT_EQ(stage1.colorOp, D3DTOP_MODULATE2X);
    EXPECT_EQ(stage1.colorArg1, D3DTA_CURRENT);
    EXPECT_EQ(stage1.colorArg2, D3DTA_TEXTURE);
    EXPECT_EQ(stage1.texCoordIndex, 1u);
    ASSERT_NE(stage1.texture, nullptr);
    EXPECT_EQ(std::filesystem::path(stage1.texture->SourcePath()), folder / "light.tga");
    ASSERT_NE(block->stages[0].texture, nullptr);
    EXPECT_EQ(std::filesystem::path(block->stages[0].texture->SourcePath()), folder / "wood.tga");
    EXPECT_EQ(block->stages[0].colorOp, render::kAutomaticOp);

    render::ApplyRenderStates(*block, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2);
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_COLOROP, D3DTOP_MODULATE2X)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_COLORARG1, D3DTA_CURRENT)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_COLORARG2, D3DTA_TEXTURE)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_TEXCOORDINDEX, 1)));
    EXPECT_TRUE(Log().Contains(StageCall(2, D3DTSS_COLOROP, D3DTOP_DISABLE)));
    EXPECT_EQ(Log().Count("SetTexture"), 2u);
}

TEST_F(MaterialsTest, SubMaterialNamesChooseTheColourOperation) {
    struct Case {
        const char* name;
        DWORD op;
    };
    const Case cases[] = {
        {"baked_LightMap", D3DTOP_MODULATE2X},
        {"x Modulate2X", D3DTOP_MODULATE2X},
        {"Modulate", D3DTOP_MODULATE},
        {"glow AddSigned", D3DTOP_ADDSIGNED},
        {"Add", D3DTOP_ADD},
        {"Chrome ball", D3DTOP_ADD},
        {"Modulate AddSigned", D3DTOP_MODULATE},
        {"lightmap", 0},
        {"baked_Clock main", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(render::SubMaterialColorOp(c.name), c.op) << c.name;
    }

    UdfNode materials("Materials");
    UdfNode* shiny = materials.addChild(std::make_unique<UdfNode>("shiny", "Material"));
    UdfNode* subs = shiny->addChild(UdfNode::makeArray("Materials", "Material", 3));
    subs->addChild(Material("Chrome", "", 2));
    subs->addChild(Material("ignored", "opaque.tga", 9));
    ASSERT_TRUE(library.LoadMaterialLibrary(materials, RenderStates(), &paths));
    const RenderStates* block = library.Find("shiny");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->stages[2].texCoordIndex, 2u | D3DTSS_TCI_SPHEREMAP);
    EXPECT_EQ(block->stages[2].colorOp, D3DTOP_ADD);
    EXPECT_EQ(block->stages[2].colorArg2, D3DTA_DIFFUSE) << "no texture";
    EXPECT_EQ(block->stages[0].texture, nullptr) << "ids of 8 and more are ignored";
}

TEST_F(MaterialsTest, MaterialRecordKeys) {
    UdfNode materials("Materials");
    auto glass = Material("glass", "opaque.tga");
    const float full[4] = {1.0f, 0.25f, 0.5f, 0.75f};
    glass->addLeaf("Diffuse", "color", full, 16, true);
    const float partial[3] = {0.5f, 0.1f, 0.2f};
    glass->addLeaf("Emissive", "color", partial, 12, true);
    glass->addInt("TwoSided", 1);
    glass->addReal("Opacity", 0.4f);
    UdfNode* entry = glass->findChild("Textures")->findChild("Diffuse");
    entry->addString("TexAddrU", "Mirror");
    entry->addString("TexAddrV", "Clamp");
    materials.addChild(std::move(glass));
    ASSERT_TRUE(library.LoadMaterialLibrary(materials, RenderStates(), &paths));
    UdfNode again("Materials");
    again.addChild(Material("glass", "alpha.tga"));
    ASSERT_TRUE(library.LoadMaterialLibrary(again, RenderStates(), &paths));
    ASSERT_EQ(library.Count(), 1u) << "a known name is skipped";
    const RenderStates* block = library.Find("glass");
    ASSERT_NE(block, nullptr);
    EXPECT_FLOAT_EQ(block->material.Diffuse.r, 0.25f);
    EXPECT_FLOAT_EQ(block->material.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(block->material.Diffuse.b, 0.75f);
    EXPECT_FLOAT_EQ(block->material.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(block->material.Emissive.a, 0.5f);
    EXPECT_FLOAT_EQ(block->material.Emissive.g, 0.2f);
    EXPECT_FLOAT_EQ(block->material.Emissive.b, 1.0f) << "a 12-byte colour leaves blue";
    EXPECT_FLOAT_EQ(block->material.Ambient.r, 1.0f);
    EXPECT_EQ(block->cullMode, D3DCULL_NONE);
    EXPECT_FLOAT_EQ(block->opacity, 0.4f);
    EXPECT_EQ(block->stages[0].addressU, D3DTADDRESS_MIRROR);
    EXPECT_EQ(block->stages[0].addressV, D3DTADDRESS_BORDER);

    UdfNode broken("Materials");
    auto noName = std::make_unique<UdfNode>("bad", "Material");
    UdfNode* list = noName->addChild(std::make_unique<UdfNode>("Textures", "Textures"));
    list->addChild(std::make_unique<UdfNode>("Diffuse", "Diffuse"))->addString("TexAddrU", "Wrap");
    broken.addChild(std::move(noName));
    EXPECT_FALSE(library.LoadMaterialLibrary(broken, RenderStates(), &paths))
        << "a texture entry without a file name fails the material";

    UdfNode missing("Materials");
    missing.addChild(Material("lost", "absent.tga"));
    ASSERT_TRUE(library.LoadMaterialLibrary(missing, RenderStates(), &paths));
    EXPECT_EQ(library.Find("lost")->stages[0].texture, nullptr);
}

TEST_F(MaterialsTest, AlphaUseWords) {
    struct Case {
        const char* words;
        DWORD op, arg1, arg2;
        float opacity;
    };
    const Case cases[] = {
        {"", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 1.0f},
        {"factor", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, 0.5f},
        {"texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 1.0f},
        {"factor texture", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, 0.5f},
        {"diffuse", D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, 1.0f},
        {"factor diffuse", D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0.5f},
        {"diffuse texture", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 1.0f},
        {"texture diffuse factor", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, 0.5f},
    };
    for (const Case& c : cases) {
        UdfNode mesh("mesh", "Mesh");
        mesh.addString("AlphaUse", c.words);
        RenderStates block;
        render::ApplyMeshKeys(mesh, block);
        EXPECT_EQ(block.stages[0].alphaOp, c.op) << c.words;
        EXPECT_EQ(block.stages[0].alphaArg1, c.arg1) << c.words;
        EXPECT_EQ(block.stages[0].alphaArg2, c.arg2) << c.words;
        EXPECT_FLOAT_EQ(block.opacity, c.opacity) << c.words;
    }

    UdfNode mesh("mesh", "Mesh");
    mesh.addString("Blend", "additive");
    mesh.addString("MinFilter", "point");
    mesh.addString("MagFilter", "anisotropic");
    mesh.addString("MipFilter", "bogus");
    mesh.addString("TexAddrU", "mirror");
    mesh.addString("TexAddrV", "border");
    mesh.addString("AlphaUse", "factor");
    mesh.addReal("Alpha", 0.8f);
    mesh.addString("Lit", "0");
    RenderStates block;
    render::ApplyMeshKeys(mesh, block);
    EXPECT_EQ(block.blendMode, render::kBlendAdditive);
    EXPECT_EQ(block.stages[0].minFilter, D3DTEXF_POINT);
    EXPECT_EQ(block.stages[0].magFilter, D3DTEXF_ANISOTROPIC);
    EXPECT_EQ(block.stages[0].mipFilter, D3DTEXF_NONE);
    EXPECT_EQ(block.stages[0].addressU, D3DTADDRESS_MIRROR);
    EXPECT_EQ(block.stages[0].addressV, D3DTADDRESS_BORDER);
    EXPECT_FLOAT_EQ(block.opacity, 0.8f);
    EXPECT_EQ(block.lit, 0u);
}

TEST_F(MaterialsTest, AlphaUseFactorAloneMakesTheMeshHalfTransparent) {
    UdfNode mesh("mesh", "Mesh");
    mesh.addString("AlphaUse", "factor");
    RenderStates block;
    block.stages[0].texture = Load("opaque.tga");
    render::ApplyMeshKeys(mesh, block);
    ASSERT_TRUE(render::IsTransparent(block));
    render::ApplyRenderStates(block, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_TEXTUREFACTOR, 127u << 24 | 0xFFFFFF)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHATESTENABLE, 1)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHAREF, 1)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHABLENDENABLE, 1)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR)));

    // The factor keeps the colour it had.
    Log().Clear();
    render::DeviceStateCache().SetRenderState(D3DRS_TEXTUREFACTOR, 0x00123456);
    block.opacity = 1.0f;
    render::ApplyRenderStates(block, D3DFVF_XYZ);
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_TEXTUREFACTOR, 0xFF123456u)));
}

TEST_F(MaterialsTest, OpacityWithAnOpaqueTextureSelectsTheFactorAsAlpha) {
    RenderStates block;
    block.stages[0].texture = Load("opaque.tga");
    block.opacity = 0.5f;
    EXPECT_TRUE(render::IsTransparent(block)) << "the opacity only shows when blended";
    render::ApplyRenderStates(block, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHABLENDENABLE, 1)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_TEXTUREFACTOR, 127u << 24 | 0xFFFFFF)))
        << "the factor carries the opacity even when the stage chose it itself";

    // With an alpha texture both count: texture alpha times the factor.
    Log().Clear();
    block.stages[0].texture = Load("alpha.tga");
    EXPECT_TRUE(render::IsTransparent(block));
    render::ApplyRenderStates(block, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE)));
    EXPECT_TRUE(Log().Contains(StageCall(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR)));

    // A later automatic stage modulates what came before.
    Log().Clear();
    block.opacity = 1.0f;
    block.stages[0].texture = Load("opaque.tga");
    block.stages[1].colorOp = render::kAutomaticOp;
    block.stages[1].alphaOp = render::kAutomaticOp;
    block.stages[1].texture = Load("alpha.tga");
    EXPECT_TRUE(render::IsTransparent(block));
    render::ApplyRenderStates(block, D3DFVF_XYZ | D3DFVF_TEX2);
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_ALPHAARG2, D3DTA_TEXTURE)));
    EXPECT_TRUE(Log().Contains(StageCall(1, D3DTSS_COLOROP, D3DTOP_MODULATE2X)));
}

TEST_F(MaterialsTest, TransparencyWalk) {
    RenderStates block;
    EXPECT_FALSE(render::IsTransparent(block));
    block.stages[0].texture = Load("alpha.tga");
    EXPECT_TRUE(render::IsTransparent(block));
    block.stages[0].alphaOp = D3DTOP_DISABLE;
    EXPECT_FALSE(render::IsTransparent(block)) << "an explicit DISABLE ends the walk";
    block.stages[0].alphaOp = D3DTOP_SELECTARG1;
    block.stages[0].texture = nullptr;
    EXPECT_TRUE(render::IsTransparent(block));
    RenderStates additive;
    additive.blendMode = render::kBlendAdditive;
    render::ApplyRenderStates(additive, D3DFVF_XYZ);
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHABLENDENABLE, 1)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_DESTBLEND, D3DBLEND_ONE)));
    EXPECT_TRUE(Log().Contains(StateCall(D3DRS_ALPHATESTENABLE, 0)));
}

TEST_F(MaterialsTest, StageComparison) {
    render::StageState a, b;
    a.colorOp = b.colorOp = D3DTOP_SELECTARG1;
    a.colorArg2 = D3DTA_TFACTOR;  // not read by SELECTARG1
    EXPECT_TRUE(render::StagesEqual(a, b));
    b.colorArg1 = D3DTA_DIFFUSE;
    EXPECT_FALSE(render::StagesEqual(a, b));
    b.colorArg1 = a.colorArg1;
    b.addressU = D3DTADDRESS_MIRROR;
    EXPECT_FALSE(render::StagesEqual(a, b));
    b.addressU = a.addressU;
    a.colorOp = b.colorOp = D3DTOP_LERP;
    EXPECT_FALSE(render::StagesEqual(a, b)) << "LERP reads argument 2 too";
}

TEST_F(MaterialsTest, MaterialIsSentOnceThroughTheCache) {
    RenderStates block;
    render::ApplyRenderStates(block, D3DFVF_XYZ);
    const std::size_t calls = Log().Calls().size();
    render::DeviceStateCache().ResetCounters();
    render::ApplyRenderStates(block, D3DFVF_XYZ);
    EXPECT_EQ(Log().Count("SetMaterial"), 1u);
    EXPECT_EQ(Log().Calls().size(), calls) << "a repeated block costs no device call";
    EXPECT_EQ(render::DeviceStateCache().GetCounters().sent, 0u);
    EXPECT_GT(render::DeviceStateCache().GetCounters().skipped, 10u);

    RenderStates shiny = block;
    shiny.material.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    render::ApplyRenderStates(shiny, D3DFVF_XYZ);
    EXPECT_EQ(Log().Count("SetMaterial"), 2u);

    render::DeviceStateCache().InvalidateCache();
    render::ApplyRenderStates(shiny, D3DFVF_XYZ);
    EXPECT_EQ(Log().Count("SetMaterial"), 3u);
}

TEST_F(MaterialsTest, StateCacheSkipsKnownValuesAndNeedsADevice) {
    auto& cache = render::DeviceStateCache();
    EXPECT_TRUE(cache.SetRenderState(D3DRS_ZENABLE, 1));
    EXPECT_TRUE(cache.SetRenderState(D3DRS_ZENABLE, 1));
    EXPECT_TRUE(cache.SetRenderState(D3DRS_ZENABLE, 0));
    EXPECT_EQ(Log().Count("SetRenderState"), 2u);
    EXPECT_FALSE(cache.SetRenderState(5000, 1));

    D3DMATRIX m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1;
    EXPECT_TRUE(cache.SetTransform(D3DTS_WORLD, &m));
    EXPECT_TRUE(cache.SetWorld(&m));
    m.m[3][2] = 5;  // only the last row differs
    EXPECT_TRUE(cache.SetWorld(&m));
    EXPECT_EQ(Log().Count("SetTransform"), 2u);
    EXPECT_FALSE(cache.SetTransform(D3DTS_WORLD, nullptr));

    EXPECT_TRUE(cache.SetSamplerState(3, D3DSAMP_MINFILTER, D3DTEXF_POINT));
    EXPECT_TRUE(cache.SetSamplerState(3, D3DSAMP_MINFILTER, D3DTEXF_POINT));
    EXPECT_FALSE(cache.SetSamplerState(8, D3DSAMP_MINFILTER, D3DTEXF_POINT));
    EXPECT_EQ(Log().Count("SetSamplerState"), 1u);

    DWORD value = 0;
    EXPECT_TRUE(cache.GetRenderState(D3DRS_FOGENABLE, value));
    EXPECT_TRUE(cache.GetRenderState(D3DRS_FOGENABLE, value));
    EXPECT_EQ(Log().Count("GetRenderState"), 1u) << "read once, then from the cache";
    EXPECT_TRUE(cache.SetRenderState(D3DRS_FOGENABLE, value));
    EXPECT_EQ(Log().Count("SetRenderState"), 2u);

    render::SetCurrentDevice(nullptr);
    EXPECT_FALSE(cache.SetRenderState(D3DRS_ZENABLE, 1));
    EXPECT_FALSE(cache.SetMaterial(nullptr));
    render::SetCurrentDevice(device);

    cache.SetEnabled(false);
    cache.SetRenderState(D3DRS_ZENABLE, 0);
    EXPECT_EQ(Log().Count("SetRenderState"), 3u) << "switched off, every set is sent";
    cache.SetEnabled(true);
}

}  // namespace
