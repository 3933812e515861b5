// The room's DXT1 textures as shipped reach the graphics card compressed: a file that lost its
// mip chain or gained a transparent texel would silently be decoded to eight times the memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_device_fixture.h"
#include "render/textures/texture_loader.h"
#include "shipped_clock.h"

namespace {

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ShippedTextures : public render::test::FakeDeviceTest {};

TEST_F(ShippedTextures, TheSceneDxt1TexturesKeepTheirBlocksAndWholeMipChains) {
    const std::vector<std::uint8_t> scene = ReadAll(rendertest::kShippedMedia + "clock.UDF");
    const std::string sceneText(scene.begin(), scene.end());
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(rendertest::kShippedMedia)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".dds" || sceneText.find(name) == std::string::npos) {
            continue;
        }
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> file = ReadAll(entry.path());
        gfx::Texture* texture = nullptr;
        render::ImageInfo info;
        ASSERT_EQ(render::CreateTextureFromFileInMemory(device, file, render::TextureParams{},
                                                        &info, &texture),
                  gfx::S_OK);
        gfx::D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, gfx::D3DFMT_DXT1);
        EXPECT_EQ(desc.Width, info.Width);
        std::uint32_t levels = 1;
        for (std::uint32_t side = std::max(info.Width, info.Height); side > 1; side /= 2) {
            ++levels;
        }
        EXPECT_EQ(texture->GetLevelCount(), levels);
        texture->Release();
        ++kept;
    }
    EXPECT_GE(kept, 10) << "the floor, rug, walls, wood and brass";
}

}  // namespace
