#include "render/textures/texture_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "fake_device_fixture.h"
#include "platform/fake/memory_resources.h"
#include "render/textures/texture.h"
#include "test_images.h"
#include "vfs/file_source.h"

namespace {

using namespace gfx;
using render::Texture;
using render::TextureManager;
using render::TextureRequest;
using render::UVRect;

std::int64_t fakeNow = 0;
std::int64_t FakeClock() {
    return fakeNow;
}

class TextureManagerTest : public render::test::FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        static std::atomic<int> counter{0};
        folder =
            std::filesystem::path(::testing::TempDir()) /
            ("zorvane_textures_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        manager.SearchPaths().add(vfs::FileSource(core::EngineString(folder.string())));
        manager.SetClock(&FakeClock);
        fakeNow = 1000;
    }
    void TearDown() override {
        std::filesystem::remove_all(folder);
        FakeDeviceTest::TearDown();
    }

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }

    static TextureRequest Named(const std::string& name) {
        TextureRequest request;
        request.source = vfs::FileSource(core::EngineString(name));
        request.source.flags = vfs::kSourceDisk | vfs::kSourceArchive;
        return request;
    }

    // The texel at (x, y) of level 0 of a fake A8R8G8B8 texture.
    static std::uint32_t Texel(gfx::Texture* texture, int x, int y) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
        std::uint32_t value = 0;
        std::memcpy(&value, static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
        texture->UnlockRect(0);
        return value;
    }

    std::vector<std::uint8_t> Checker(std::uint32_t side) {
        std::vector<std::uint32_t> texels(side * side);
        for (std::uint32_t i = 0; i < texels.size(); ++i) {
            texels[i] = (i % 2) ? 0xFFFF00FF : 0xFF336699;
        }
        return render::test::MakeTga(side, side, texels);
    }

    std::filesystem::path folder;
    TextureManager manager;
};

TEST_F(TextureManagerTest, EqualRequestsShareOneTexture) {
    Write("a.tga", Checker(16));
    TextureRequest request = Named("a.tga");
    request.flags = render::kRequestFilter;
    Texture* first = manager.GetTexture(request);
    ASSERT_NE(first, nullptr);
    Texture* second = manager.GetTexture(request);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->RefCount(), 2u);
    EXPECT_EQ(manager.TextureCount(), 1u);
    EXPECT_EQ(Log().Count("CreateTexture"), 1u);

    TextureRequest other = request;
    other.filter = render::D3DX_FILTER_POINT;
    Texture* third = manager.GetTexture(other);
    ASSERT_NE(third, nullptr);
    EXPECT_NE(third, first) << "a different selected filter gives its own texture";
    EXPECT_EQ(manager.TextureCount(), 2u);

    TextureRequest unshared = request;
    unshared.doNotShare = true;
    Texture* fourth = manager.GetTexture(unshared);
    EXPECT_NE(fourth, first);
    EXPECT_EQ(manager.TextureCount(), 3u);

    fourth->Release();
    third->Release();
    second->Release();
    EXPECT_EQ(manager.TextureCount(), 1u);
    EXPECT_EQ(first->RefCount(), 1u);
    first->Release();
    EXPECT_EQ(manager.TextureCount(), 0u);
}

TEST_F(TextureManagerTest, LookupOnlyNeverLoadsAndMissingFilesGiveNull) {
    Write("b.tga", Checker(4));
    TextureRequest request = Named("b.tga");
    request.lookupOnly = true;
    EXPECT_EQ(manager.GetTexture(request), nullptr);
    EXPECT_EQ(Log().Count("CreateTexture"), 0u);
    request.lookupOnly = false;
    Texture* loaded = manager.GetTexture(request);
    ASSERT_NE(loaded, nullptr);
    request.lookupOnly = true;
    EXPECT_EQ(manager.GetTexture(request), loaded);
    EXPECT_EQ(Log().Count("CreateTexture"), 1u);
    EXPECT_EQ(manager.GetTexture(Named("missing.tga")), nullptr);
    Write("broken.tga", std::string("not an image"));
    EXPECT_EQ(manager.GetTexture(Named("broken.tga")), nullptr);
    EXPECT_EQ(manager.TextureCount(), 1u);
    loaded->Release();
    loaded->Release();
}

TEST_F(TextureManagerTest, SizesRoundUpToPowersOfTwoAndLevelsFollowTheRequest) {
    std::vector<std::uint32_t> texels(6 * 3, 0xFF808080);
    Write("odd.tga", render::test::MakeTga(6, 3, texels));
    Texture* texture = manager.GetTexture(Named("odd.tga"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Desc().Width, 8u);
    EXPECT_EQ(texture->Desc().Height, 4u);
    EXPECT_EQ(texture->Params().mipLevels, 4u) << "the full chain: 8x4, 4x2, 2x1, 1x1";
    EXPECT_EQ(texture->Info().Width, 6u);
    EXPECT_EQ(texture->GetSize(), std::make_pair(8u, 4u));

    TextureRequest exact = Named("odd.tga");
    exact.flags = render::kRequestSize | render::kRequestMipLevels | render::kRequestFormat;
    exact.width = render::D3DX_DEFAULT_NONPOW2;
    exact.height = render::D3DX_DEFAULT_NONPOW2;
    exact.mipLevels = 1;
    exact.format = D3DFMT_R5G6B5;
    Texture* kept = manager.GetTexture(exact);
    ASSERT_NE(kept, nullptr);
    EXPECT_NE(kept, texture);
    EXPECT_EQ(kept->Desc().Width, 6u);
    EXPECT_EQ(kept->Desc().Format, D3DFMT_R5G6B5);
    EXPECT_EQ(kept->Params().mipLevels, 1u);
    kept->Release();
    texture->Release();
}

TEST_F(TextureManagerTest, ColourKeyMakesMatchingTexelsTransparentBlack) {
    Write("keyed.tga", render::test::MakeTga(2, 1, {0xFFFF00FF, 0xFF123456}, 24));
    TextureRequest request = Named("keyed.tga");
    request.flags = render::kRequestColorKey | render::kRequestSize | render::kRequestMipLevels;
    request.colorKey = 0xFFFF00FF;
    request.width = 2;
    request.height = 1;
    request.mipLevels = 1;
    Texture* texture = manager.GetTexture(request);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Desc().Format, D3DFMT_A8R8G8B8) << "a key needs an alpha channel";
    EXPECT_EQ(Texel(texture->GetD3DTexture(), 0, 0), 0u);
    EXPECT_EQ(Texel(texture->GetD3DTexture(), 1, 0), 0xFF123456u);

    TextureRequest unkeyed = request;
    unkeyed.colorKey = 0;
    Texture* plain = manager.GetTexture(unkeyed);
    ASSERT_NE(plain, texture);
    EXPECT_EQ(plain->Desc().Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel(plain->GetD3DTexture(), 0, 0), 0xFFFF00FFu);
    plain->Release();
    texture->Release();
}

TEST_F(TextureManagerTest, MemoryAndResourceSourcesShareByContent) {
    const auto bytes = Checker(4);
    platform::fake::MemoryResources resources;
    resources.Add("MEMFILE", 187, bytes);
    vfs::setModuleResources(&resources);
    TextureRequest request;
    request.source = vfs::FileSource(vfs::ResourceId{187});
    Texture* first = manager.GetTexture(request);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->LoadFlags(), render::kLoadMemory);
    EXPECT_EQ(manager.GetTexture(request), first);
    request.source = vfs::FileSource(vfs::ResourceId{999});
    EXPECT_EQ(manager.GetTexture(request), nullptr);
    vfs::setModuleResources(nullptr);
    first->Release();
    first->Release();
}

TEST_F(TextureManagerTest, LazyTexturesAreMadeOnFirstUse) {
    Write("lazy.tga", Checker(8));
    TextureRequest request = Named("lazy.tga");
    request.lazy = true;
    Texture* texture = manager.GetTexture(request);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(Log().Count("CreateTexture"), 0u);
    EXPECT_TRUE(texture->RestoreDeviceObjects()) << "restore skips textures not made yet";
    EXPECT_EQ(Log().Count("CreateTexture"), 0u);
    EXPECT_NE(texture->GetD3DTexture(), nullptr);
    EXPECT_EQ(Log().Count("CreateTexture"), 1u);
    texture->GetD3DTexture();
    EXPECT_EQ(Log().Count("CreateTexture"), 1u);
    texture->Release();
}

TEST_F(TextureManagerTest, InvalidateAndRestoreRebuildTheDeviceTexture) {
    Write("c.tga", Checker(8));
    Texture* texture = manager.GetTexture(Named("c.tga"));
    ASSERT_NE(texture, nullptr);
    manager.InvalidateDeviceObjects();
    EXPECT_EQ(texture->GetD3DTexture(), nullptr);
    EXPECT_TRUE(manager.RestoreDeviceObjects());
    ASSERT_NE(texture->GetD3DTexture(), nullptr);
    EXPECT_EQ(Log().Count("CreateTexture"), 2u);
    EXPECT_EQ(Texel(texture->GetD3DTexture(), 1, 0), 0xFFFF00FFu) << "the kept bytes reload";
    texture->Release();
}

constexpr const char* kAtlas = R"(
FileName = "atlas.tga";
Width = 256; Height = 256;
Levels = 1;
Filter = "D3DX_FILTER_NONE";
Delay = 100;
Subs = array(
    object(Id = "first", x1 = 64, y1 = 0, x2 = 128, y2 = 32),
    object(Id = "second", x1 = 0, y1 = 32, w = 16, h = 8, Delay = 50),
    object(Id = "nowhere", x1 = 5)
);
Animation.walk = array("first", "second");
)";

TEST_F(TextureManagerTest, DescriptionSubTexturesAndTheirUvRectangles) {
    Write("atlas.tga",
          render::test::MakeTga(256, 256, std::vector<std::uint32_t>(65536, 0xFF00FF00)));
    Write("atlas.ts", std::string(kAtlas));
    Texture* atlas = manager.GetTexture(Named("atlas.ts"));
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->Params().filter, render::D3DX_FILTER_NONE);
    EXPECT_EQ(atlas->Desc().Width, 256u);
    ASSERT_EQ(atlas->Subs().size(), 3u);
    Texture* first = atlas->FindSub("first");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetUVRect(), (UVRect{0.25f, 0.0f, 0.5f, 0.125f}));
    EXPECT_EQ(first->GetSize(), std::make_pair(64u, 32u));
    EXPECT_EQ(first->GetD3DTexture(), atlas->GetD3DTexture());
    EXPECT_EQ(first->GetUVRect(8, 0, 8, 16),
              (UVRect{72 / 256.0f, 0.0f, 120 / 256.0f, 16 / 256.0f}));

    Texture* second = atlas->FindSub("second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Rect(), (render::TexelRect{0, 32, 16, 40})) << "w and h extend x1 and y1";
    EXPECT_EQ(second->Delay(), 50u);
    EXPECT_EQ(first->Delay(), 100u) << "inherited from the description";
    EXPECT_EQ(atlas->FindSub("nowhere")->Kind(), render::kKindPlain) << "no rectangle";
    EXPECT_EQ(atlas->GetUVRect(), (UVRect{0, 0, 1, 1}));

    // A request for a named sub-texture raises the count of the texture it belongs to.
    TextureRequest sub = Named("atlas.ts");
    sub.flags = render::kRequestSubName;
    sub.subTextureName = "second";
    EXPECT_EQ(manager.GetTexture(sub), second);
    EXPECT_EQ(atlas->RefCount(), 2u);
    sub.subTextureName = "third";
    EXPECT_EQ(manager.GetTexture(sub), nullptr);
    sub.flags = render::kRequestSubRect;
    sub.subTextureRect = {64, 0, 128, 32};
    EXPECT_EQ(manager.GetTexture(sub), first);
    EXPECT_EQ(atlas->RefCount(), 3u);
    EXPECT_EQ(manager.TextureCount(), 1u);

    TextureRequest existing;
    existing.flags = render::kRequestExisting | render::kRequestSubName;
    existing.texture = atlas;
    existing.subTextureName = "first";
    EXPECT_EQ(manager.GetTexture(existing), first);
    EXPECT_EQ(atlas->RefCount(), 4u);

    first->Release();
    first->Release();
    second->Release();
    EXPECT_EQ(manager.TextureCount(), 1u);
    atlas->Release();
    EXPECT_EQ(manager.TextureCount(), 0u);
}

TEST_F(TextureManagerTest, FramesShowForTheirOwnDelayAndWrap) {
    Write("atlas.tga",
          render::test::MakeTga(256, 256, std::vector<std::uint32_t>(65536, 0xFF00FF00)));
    Write("atlas.ts", std::string(kAtlas));
    Texture* atlas = manager.GetTexture(Named("atlas.ts"));
    ASSERT_NE(atlas, nullptr);
    ASSERT_TRUE(atlas->SetFrame(""));
    struct Step {
        std::int64_t at;
        const char* frame;
    };
    const Step steps[] = {{0, "first"},
                          {99, "first"},
                          {100, "second"},
                          {149, "second"},
                          {150, "first"},
                          {249, "first"},
                          {250, "second"},
                          {300, "first"},
                          {300 + 150 * 1000, "first"},
                          {300 + 150 * 1000 + 120, "second"}};
    const std::int64_t start = fakeNow;
    for (const Step& step : steps) {
        fakeNow = start + step.at;
        const D3DMATRIX m = atlas->GetTextureMatrix();
        EXPECT_EQ(atlas->CurrentFrame(), step.frame) << "at " << step.at;
        const bool first = std::string(step.frame) == "first";
        EXPECT_FLOAT_EQ(m.m[0][0], first ? 0.25f : 16 / 256.0f) << "at " << step.at;
        EXPECT_FLOAT_EQ(m.m[1][1], first ? 0.125f : 8 / 256.0f) << "at " << step.at;
        EXPECT_FLOAT_EQ(m.m[2][0], first ? 0.25f : 0.0f) << "at " << step.at;
        EXPECT_FLOAT_EQ(m.m[2][1], first ? 0.0f : 0.125f) << "at " << step.at;
    }
    EXPECT_TRUE(atlas->SetFrame("second"));
    EXPECT_EQ(atlas->CurrentFrame(), "second");
    EXPECT_FALSE(atlas->SetFrame("nowhere at all"));
    atlas->Release();
}

TEST_F(TextureManagerTest, DescriptionKeysAndFailures) {
    Write("pic.tga", Checker(4));
    struct Case {
        const char* text;
        bool ok;
        std::uint32_t colorKey;
        std::uint32_t format;
        std::uint32_t pool;
    };
    const Case cases[] = {
        {"FileName = \"pic.tga\"; ColorKey = object(r = 200);", true, 0xFFC80000u, 0, 1},
        {"FileName = \"pic.tga\"; ColorKey = array(1, 2, 3);", true, 0xFF010203u, 0, 1},
        {"FileName = \"pic.tga\"; ColorKey = 4278255360;", true, 0xFF00FF00u, 0, 1},
        {"FileName = \"pic.tga\"; ColorKey = -16711936;", true, 0xFF00FF00u, 0, 1},
        {"FileName = \"pic.tga\"; ColorKey = -1;", true, 0xFFFFFFFFu, 0, 1},
        {"FileName = \"pic.tga\"; Format = \"D3DFMT_A4R4G4B4\"; Pool = \"D3DPOOL_SYSTEMMEM\";",
         true, 0, D3DFMT_A4R4G4B4, 2},
        {"Width = 32; Height = 16; Format = \"D3DFMT_R5G6B5\";", true, 0, D3DFMT_R5G6B5, 1},
        {"FileName = \"absent.tga\";", false, 0, 0, 0},
        {"FileName = \"pic.ts\";", false, 0, 0, 0},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "case" + std::to_string(index++) + ".ts";
        Write(name, std::string(c.text));
        Texture* texture = manager.GetTexture(Named(name));
        EXPECT_EQ(texture != nullptr, c.ok) << c.text;
        if (!texture) {
            continue;
        }
        EXPECT_EQ(texture->Params().colorKey, c.colorKey) << c.text;
        EXPECT_EQ(texture->Params().format, c.format) << c.text;
        EXPECT_EQ(texture->Params().pool, c.pool) << c.text;
        texture->Release();
    }
    Write("ident.ts", std::string("Id = \"walls\"; Width = 8; Height = 8;"));
    Texture* blank = manager.GetTexture(Named("ident.ts"));
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->LoadFlags(), render::kLoadBlank);
    EXPECT_EQ(blank->Desc().Width, 8u);
    EXPECT_EQ(manager.CurrentId(), "walls");
    blank->Release();
    EXPECT_EQ(manager.TextureCount(), 0u);
}

TEST_F(TextureManagerTest, AtlasPiecesLoadTheirOwnFilesIntoTheParent) {
    Write("red.tga", render::test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0xFFFF0000)));
    Write("blue.tga", render::test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0xFF0000FF)));
    Write("sheet.ts", std::string(R"(
Width = 4; Height = 4; Format = "D3DFMT_A8R8G8B8";
Subs = array(
    object(Id = "r", FileName = "red.tga", x1 = 0, y1 = 0, w = 2, h = 2),
    object(Id = "b", FileName = "blue.tga", x1 = 2, y1 = 2, w = 2, h = 2));
)"));
    Texture* sheet = manager.GetTexture(Named("sheet.ts"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(Texel(sheet->GetD3DTexture(), 1, 1), 0xFFFF0000u);
    EXPECT_EQ(Texel(sheet->GetD3DTexture(), 3, 2), 0xFF0000FFu);
    manager.InvalidateDeviceObjects();
    ASSERT_TRUE(manager.RestoreDeviceObjects());
    EXPECT_EQ(Texel(sheet->GetD3DTexture(), 2, 3), 0xFF0000FFu) << "pieces return after a reset";
    sheet->Release();
}

TEST_F(TextureManagerTest, DxtFilesGetAnAlphaFormatOnlyWhenTheyHaveAlpha) {
    using render::test::DdsLayout;
    using render::test::MakeDds;
    // c0 > c1: four opaque colours; c0 <= c1 with index 3: a transparent texel.
    const std::vector<std::uint8_t> opaque = {0x00, 0xF8, 0x1F, 0x00, 0x24, 0, 0, 0};
    const std::vector<std::uint8_t> punched = {0x1F, 0x00, 0x00, 0xF8, 0x03, 0, 0, 0};
    std::vector<std::uint8_t> withAlphaBlock(8, 0xFF);
    withAlphaBlock.insert(withAlphaBlock.end(), opaque.begin(), opaque.end());
    struct Case {
        const char* name;
        std::uint32_t fourcc;
        std::vector<std::uint8_t> block;
        std::uint32_t colorKey;
        D3DFORMAT format;
    };
    const Case cases[] = {
        {"dxt1 opaque", D3DFMT_DXT1, opaque, 0, D3DFMT_X8R8G8B8},
        {"dxt1 punched", D3DFMT_DXT1, punched, 0, D3DFMT_A8R8G8B8},
        {"dxt1 opaque, keyed", D3DFMT_DXT1, opaque, 0xFFFF0000, D3DFMT_A8R8G8B8},
        {"dxt3 all opaque", D3DFMT_DXT3, withAlphaBlock, 0, D3DFMT_A8R8G8B8},
        {"dxt5 all opaque", D3DFMT_DXT5, withAlphaBlock, 0, D3DFMT_A8R8G8B8},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "dxt" + std::to_string(index++) + ".dds";
        Write(name, MakeDds(4, 4, DdsLayout{0x4, c.fourcc, 0, 0, 0, 0, 0}, c.block));
        TextureRequest request = Named(name);
        request.flags = render::kRequestColorKey;
        request.colorKey = c.colorKey;
        Texture* texture = manager.GetTexture(request);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->Info().Format, c.fourcc) << "the file's own format";
        EXPECT_EQ(texture->Desc().Format, c.format);
        texture->Release();
    }
}

TEST_F(TextureManagerTest, AnOpaqueDxt1FileWithItsMipChainKeepsItsBlocks) {
    using render::test::DdsLayout;
    using render::test::MakeDds;
    // 8 x 4, 4 x 2, 2 x 1 and 1 x 1: two blocks, then one for each smaller level; every block
    // four opaque colours (c0 > c1) with its own indices.
    std::vector<std::uint8_t> blocks;
    for (std::uint8_t i = 0; i < 5; ++i) {
        blocks.insert(blocks.end(), {0x00, 0xF8, 0x1F, 0x00, i, 0x1B, 0xE4, std::uint8_t(i * 7)});
    }
    const DdsLayout dxt1{0x4, D3DFMT_DXT1, 0, 0, 0, 0, 0};
    Write("chain.dds", MakeDds(8, 4, dxt1, blocks, 0, 4));
    Texture* kept = manager.GetTexture(Named("chain.dds"));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Desc().Format, D3DFMT_DXT1);
    gfx::Texture* device = kept->GetD3DTexture();
    ASSERT_EQ(device->GetLevelCount(), 4u);
    const std::size_t offsets[] = {0, 16, 24, 32};
    for (UINT level = 0; level < 4; ++level) {
        SCOPED_TRACE(level);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(device->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), S_OK);
        const std::size_t bytes = level == 0 ? 16 : 8;
        EXPECT_TRUE(std::equal(blocks.begin() + offsets[level],
                               blocks.begin() + offsets[level] + bytes,
                               static_cast<const std::uint8_t*>(locked.pBits)));
        device->UnlockRect(level);
    }
    kept->Release();

    // Decoded instead: a chain short of the levels asked for (the header counts four, the file
    // holds three), a size other than the file's, and a texel the transparent colour.
    Write("short.dds", MakeDds(8, 4, dxt1, {blocks.begin(), blocks.begin() + 32}, 0, 4));
    Texture* shortChain = manager.GetTexture(Named("short.dds"));
    ASSERT_NE(shortChain, nullptr);
    EXPECT_EQ(shortChain->Desc().Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(shortChain->GetD3DTexture()->GetLevelCount(), 4u);
    shortChain->Release();

    TextureRequest larger = Named("chain.dds");
    larger.flags = render::kRequestSize;
    larger.width = 16;
    larger.height = 16;
    Texture* scaled = manager.GetTexture(larger);
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->Desc().Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(scaled->Desc().Width, 16u);
    scaled->Release();

    std::vector<std::uint8_t> punched = blocks;
    punched[0] = 0x1F;
    punched[1] = 0x00;
    punched[2] = 0x00;
    punched[3] = 0xF8;
    punched[4] = 0xFF;
    Write("punched.dds", MakeDds(8, 4, dxt1, punched, 0, 4));
    Texture* alpha = manager.GetTexture(Named("punched.dds"));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->Desc().Format, D3DFMT_A8R8G8B8);
    alpha->Release();
}

constexpr const char* kInner = R"(
FileName = "atlas.tga";
Width = 256; Height = 256; Levels = 1;
Subs = array(
    object(Id = "a", x1 = 64, y1 = 0, x2 = 128, y2 = 32),
    object(Id = "b", x1 = 0, y1 = 32, w = 16, h = 8));
)";

TEST_F(TextureManagerTest, DescriptionsNamingDescriptionsTakeTheirSubTexturesOver) {
    Write("atlas.tga",
          render::test::MakeTga(256, 256, std::vector<std::uint32_t>(65536, 0xFF00FF00)));
    Write("inner.ts", std::string(kInner));
    Write("outer.ts", std::string(R"(
Width = 4; Height = 4;
Subs = array(
    object(Id = "sheet", FileName = "inner.ts"),
    object(Id = "own", x1 = 0, y1 = 0, w = 2, h = 2));
Animation.walk = array("a", "b");
)"));
    Texture* outer = manager.GetTexture(Named("outer.ts"));
    ASSERT_NE(outer, nullptr);
    Texture* sheet = outer->FindSub("sheet");
    Texture* a = outer->FindSub("a");
    Texture* b = outer->FindSub("b");
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(outer->FindSub("own"), nullptr);
    EXPECT_EQ(sheet->Desc().Width, 256u);
    EXPECT_EQ(a->GetD3DTexture(), sheet->GetD3DTexture()) << "drawn from the inner picture";
    EXPECT_NE(a->GetD3DTexture(), outer->GetD3DTexture());
    EXPECT_EQ(a->GetUVRect(), (UVRect{0.25f, 0.0f, 0.5f, 0.125f}));
    EXPECT_EQ(b->Rect(), (render::TexelRect{0, 32, 16, 40}));
    EXPECT_EQ(Texel(sheet->GetD3DTexture(), 70, 10), 0xFF00FF00u);
    ASSERT_TRUE(outer->SetFrame(""));
    EXPECT_FLOAT_EQ(outer->GetTextureMatrix().m[2][0], 0.25f) << "frames found among them";

    TextureRequest request = Named("outer.ts");
    request.flags = render::kRequestSubName;
    request.subTextureName = "b";
    EXPECT_EQ(manager.GetTexture(request), b);
    EXPECT_EQ(outer->RefCount(), 2u);
    b->Release();

    manager.InvalidateDeviceObjects();
    EXPECT_EQ(a->GetD3DTexture(), nullptr);
    ASSERT_TRUE(manager.RestoreDeviceObjects());
    ASSERT_NE(a->GetD3DTexture(), nullptr);
    EXPECT_EQ(a->GetD3DTexture(), sheet->GetD3DTexture());
    EXPECT_EQ(Texel(a->GetD3DTexture(), 70, 10), 0xFF00FF00u);
    outer->Release();
    EXPECT_EQ(manager.TextureCount(), 0u);

    // A root that names a description is that description.
    Write("alias.ts", std::string("FileName = \"inner.ts\";"));
    Texture* alias = manager.GetTexture(Named("alias.ts"));
    ASSERT_NE(alias, nullptr);
    EXPECT_NE(alias->FindSub("a"), nullptr);
    EXPECT_EQ(alias->Desc().Width, 256u);
    alias->Release();
}

TEST_F(TextureManagerTest, DescriptionCyclesAndRectanglesNamingDescriptionsFail) {
    Write("atlas.tga", render::test::MakeTga(4, 4, std::vector<std::uint32_t>(16, 0xFF00FF00)));
    Write("inner.ts", std::string("FileName = \"atlas.tga\";"));
    const char* cases[] = {
        "Subs = array(object(FileName = \"self.ts\"));",
        "FileName = \"self.ts\";",
        "Width = 4; Height = 4; Subs = array(object(FileName = \"inner.ts\", x1 = 0, y1 = 0, "
        "w = 1, h = 1));",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        Write("self.ts", std::string(text));
        EXPECT_EQ(manager.GetTexture(Named("self.ts")), nullptr);
        EXPECT_EQ(manager.TextureCount(), 0u);
    }
    // Two descriptions that name each other.
    Write("ping.ts", std::string("Subs = array(object(FileName = \"pong.ts\"));"));
    Write("pong.ts", std::string("Subs = array(object(FileName = \"ping.ts\"));"));
    EXPECT_EQ(manager.GetTexture(Named("ping.ts")), nullptr);
}

}  // namespace
