// The frame-rate and clock texts drawn by the OpenGL device over a frame, compared with a golden
// picture: tests/golden/time_overlay_1280x720.png.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "../render/golden_pictures.h"
#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/textures/texture_manager.h"
#include "text/font_store.h"
#include "text/time_overlay.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/search_paths.h"

namespace {

constexpr int kChannelTolerance = 16;
constexpr std::size_t kOutlierShare = 500;

struct Frame {
    std::vector<std::uint32_t> pixels;
    gfx::UINT width = 0, height = 0;
};

// Fonts from the media archive, both texts at `width` x `height` over a dark frame with a light
// band across the bottom (the clock must read on either).
bool RenderOverlay(gfx::UINT width, gfx::UINT height, Frame& frame) {
    gfx::Runtime* runtime = gfx::CreateRuntime();
    if (!runtime) {
        return false;
    }
    gfx::Device* device = gfx::CreateOffscreenDevice(*runtime, width, height);
    runtime->Release();
    if (!device) {
        return false;
    }
    render::SetCurrentDevice(device);
    render::DeviceStateCache().InvalidateCache();
    bool drawn = false;
    {
        vfs::RarArchive archive;
        text::FontStore store;
        if (archive.mount(vfs::FileSource(vfs::ResourceId{147})) &&
            store.LoadFont(vfs::FileSource(&archive, core::EngineString("Media/64font.fs")),
                           vfs::SearchPaths{})) {
            const double q = width / 1024.0;
            text::TimeOverlay overlay;
            overlay.Create(true, true, false, q);
            overlay.SetFrameRateText("60");
            overlay.SetTimeText("12:58:07 pm", std::int32_t(width), std::int32_t(height));
            device->Clear(0, nullptr, gfx::D3DCLEAR_TARGET | gfx::D3DCLEAR_ZBUFFER, 0xFF182030,
                          1.0f, 0);
            const gfx::D3DRECT band{0, std::int32_t(height) - std::int32_t(40 * q),
                                    std::int32_t(width), std::int32_t(height)};
            device->Clear(1, &band, gfx::D3DCLEAR_TARGET, 0xFFB0A890, 1.0f, 0);
            device->BeginScene();
            overlay.Draw(store);
            device->EndScene();
            frame.width = width;
            frame.height = height;
            frame.pixels.resize(std::size_t(width) * height);
            drawn = gfx::Succeeded(device->ReadBackBuffer(frame.pixels.data(), width));
        }
        store.Clear();
    }
    render::SetCurrentDevice(nullptr);
    device->Release();
    return drawn;
}

TEST(TimeOverlayGolden, BothTextsAt1280x720) {
    Frame frame;
    if (!RenderOverlay(1280, 720, frame)) {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no display";
        }
        FAIL() << "the overlay could not be drawn";
    }
    render::test::ExpectMatchesGolden("time_overlay_1280x720", frame.pixels, frame.width,
                                      frame.height, kChannelTolerance, kOutlierShare);
}

TEST(TimeOverlayGolden, TheClockIsWhiteInTheBottomRightCorner) {
    Frame frame;
    if (!RenderOverlay(1024, 768, frame)) {
        GTEST_SKIP() << "no OpenGL display";
    }
    // Count text pixels (nearly white) per quarter of the frame: the frame rate sits top left,
    // the clock bottom right, nothing elsewhere.
    std::size_t white[2][2] = {};
    for (gfx::UINT y = 0; y < frame.height; ++y) {
        for (gfx::UINT x = 0; x < frame.width; ++x) {
            const std::uint32_t p = frame.pixels[std::size_t(y) * frame.width + x];
            if ((p & 0xFFFFFF) == 0xFFFFFF || ((p >> 16 & 255) > 240 && (p & 255) > 240)) {
                ++white[y >= frame.height / 2][x >= frame.width / 2];
            }
        }
    }
    EXPECT_GT(white[0][0], 200u);
    EXPECT_GT(white[1][1], 2000u);
    EXPECT_EQ(white[0][1], 0u);
    EXPECT_EQ(white[1][0], 0u);
    // The clock window ends in the corner: the last column of text lies within its 350 pixels.
    gfx::UINT rightmost = 0;
    for (gfx::UINT y = frame.height - 74; y < frame.height; ++y) {
        for (gfx::UINT x = 0; x < frame.width; ++x) {
            if ((frame.pixels[std::size_t(y) * frame.width + x] & 0xFFFFFF) == 0xFFFFFF) {
                rightmost = std::max(rightmost, x);
            }
        }
    }
    EXPECT_GT(rightmost, frame.width - 60);
}

}  // namespace
