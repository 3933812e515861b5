// Pictures loaded by the texture manager and drawn as screen quads on the OpenGL device, read
// back: the texels arrive in the right order, the right way up, and the fade darkens them.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "app/loading_screen.h"
#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/states/screen_quad.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "test_images.h"

namespace {

using namespace gfx;

constexpr UINT kSide = 64;

Device* GlDevice() {
    static Device* device = []() -> Device* {
        Runtime* runtime = CreateRuntime();
        if (!runtime) {
            return nullptr;
        }
        Device* created =
            gfx::CreateOffscreenDevice(*runtime, kSide, kSide, D3DFMT_X8R8G8B8, D3DFMT_D24S8);
        runtime->Release();
        return created;
    }();
    return device;
}

class ScreenQuadGlTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!GlDevice()) {
            GTEST_SKIP() << "no OpenGL display";
        }
        render::SetCurrentDevice(GlDevice());
        render::DeviceStateCache().InvalidateCache();
        static std::atomic<int> counter{0};
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("zorvane_quad_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        manager.SearchPaths().add(vfs::FileSource(core::EngineString(folder.string())));
    }
    void TearDown() override {
        if (texture) {
            texture->Release();
        }
        render::SetCurrentDevice(nullptr);
        std::filesystem::remove_all(folder);
    }

    // An 8 x 8 picture in four single-colour quarters, loaded as a texture.
    void LoadQuarters() {
        std::vector<std::uint32_t> texels(64);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                texels[y * 8 + x] =
                    y < 4 ? (x < 4 ? 0xFFC00000 : 0xFF00C000) : (x < 4 ? 0xFF0000C0 : 0xFFC0C0C0);
            }
        }
        const auto bytes = render::test::MakeTga(8, 8, texels, 24);
        std::ofstream(folder / "quarters.tga", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        render::TextureRequest request;
        request.source = vfs::FileSource(core::EngineString("quarters.tga"));
        request.source.flags = vfs::kSourceDisk;
        texture = manager.GetTexture(request);
        ASSERT_NE(texture, nullptr);
    }

    std::uint32_t Pixel(const std::vector<std::uint32_t>& pixels, int x, int y) {
        return pixels[std::size_t(y) * kSide + std::size_t(x)] & 0x00FFFFFF;
    }

    std::vector<std::uint32_t> Read() {
        std::vector<std::uint32_t> pixels(kSide * kSide);
        EXPECT_EQ(GlDevice()->ReadBackBuffer(pixels.data(), kSide), S_OK);
        return pixels;
    }

    static bool Near(std::uint32_t pixel, std::uint32_t expected, int tolerance = 2) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = int(pixel >> shift & 255), b = int(expected >> shift & 255);
            if (std::abs(a - b) > tolerance) {
                return false;
            }
        }
        return true;
    }

    std::filesystem::path folder;
    render::TextureManager manager;
    render::Texture* texture = nullptr;
    const platform::Rect client{0, 0, int(kSide), int(kSide)};
};

TEST_F(ScreenQuadGlTest, FullScreenPictureKeepsItsQuartersInPlace) {
    LoadQuarters();
    Device* device = GlDevice();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), S_OK);
    ASSERT_TRUE(render::DrawScreenQuad(texture, 1.0f, true, render::kScreenCentre, client));
    device->EndScene();
    const auto pixels = Read();
    EXPECT_TRUE(Near(Pixel(pixels, 16, 16), 0xC00000)) << std::hex << Pixel(pixels, 16, 16);
    EXPECT_TRUE(Near(Pixel(pixels, 48, 16), 0x00C000)) << std::hex << Pixel(pixels, 48, 16);
    EXPECT_TRUE(Near(Pixel(pixels, 16, 48), 0x0000C0)) << std::hex << Pixel(pixels, 16, 48);
    EXPECT_TRUE(Near(Pixel(pixels, 48, 48), 0xC0C0C0)) << std::hex << Pixel(pixels, 48, 48);

    // Centred at half size: the border stays clear.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    render::DrawScreenQuad(texture, 1.0f, false, render::kScreenCentre, client);
    device->EndScene();
    const auto centred = Read();
    EXPECT_EQ(Pixel(centred, 4, 4), 0u);
    EXPECT_TRUE(Near(Pixel(centred, 24, 24), 0xC00000)) << std::hex << Pixel(centred, 24, 24);
    EXPECT_TRUE(Near(Pixel(centred, 40, 40), 0xC0C0C0)) << std::hex << Pixel(centred, 40, 40);
}

TEST_F(ScreenQuadGlTest, SplashFrameFadesTowardsBlack) {
    LoadQuarters();
    app::LoadingScreen screen;
    screen.SplashFrame(texture, 0.5f, client);
    // What was presented is gone; draw the same frame again without presenting to read it.
    Device* device = GlDevice();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    screen.DrawImageQuad(texture, 0.5f, true, render::kScreenCentre, client);
    device->EndScene();
    const auto pixels = Read();
    EXPECT_TRUE(Near(Pixel(pixels, 16, 16), 0x600000)) << std::hex << Pixel(pixels, 16, 16);
    EXPECT_TRUE(Near(Pixel(pixels, 48, 48), 0x606060)) << std::hex << Pixel(pixels, 48, 48);
    EXPECT_FALSE(screen.DrawImageQuad(texture, 1.0f, false, render::kScreenTopLeft, client))
        << "a corner without its image draws nothing";
}

}  // namespace
