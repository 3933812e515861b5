#include "app/loading_screen.h"

#include "platform/fit_inside.h"
#include "render/device/current_device.h"
#include "render/states/screen_quad.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "vfs/file_source.h"

namespace app {

using namespace gfx;
using namespace render;

namespace {

constexpr int kMaxFadeFrames = 1000;

}  // namespace

LoadingScreen::~LoadingScreen() {
    for (render::Texture*& texture : pictures_) {
        if (texture) {
            texture->Release();
            texture = nullptr;
        }
    }
}

void LoadingScreen::Load() {
    for (int index = 0; index < 5; ++index) {
        const std::uint32_t id = index == 0 ? kLoadingPictureId : kFirstCornerImageId + index - 1;
        core::EngineString bytes;
        present_[index] = vfs::loadModuleResource(id, bytes) && bytes.size() > kPresentImageBytes;
    }
    // The corners load first, then the picture, as the resources are numbered.
    for (int index : {1, 2, 3, 4, 0}) {
        if (pictures_[index]) {
            continue;
        }
        TextureRequest request;
        request.source = vfs::FileSource(vfs::ResourceId{
            index == 0 ? kLoadingPictureId : kFirstCornerImageId + std::uint32_t(index) - 1});
        pictures_[index] = TextureManager::Instance().GetTexture(request);
    }
}

bool LoadingScreen::DrawImageQuad(render::Texture* texture, float opacity, bool fullScreen,
                                  int position, const platform::Rect& client) const {
    if (position >= kScreenBottomRight && position <= kScreenTopRight && !present_[position]) {
        return false;
    }
    return DrawScreenQuad(texture, opacity, fullScreen, position, client);
}

platform::Rect LoadingScreen::PictureArea(const platform::Rect& client) {
    const platform::Rect fitted = platform::FitInside(kLoadingPictureWidth, kLoadingPictureHeight,
                                                      client.Width(), client.Height());
    return {client.left + fitted.left, client.top + fitted.top, client.left + fitted.right,
            client.top + fitted.bottom};
}

void LoadingScreen::DrawLoadingFrame(const platform::Rect& client) const {
    Device* device = CurrentDevice();
    if (!device) {
        return;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    if (Succeeded(device->BeginScene())) {
        DrawImageQuad(pictures_[0], 1.0f, true, kScreenCentre, PictureArea(client));
        for (int position = kScreenBottomRight; position <= kScreenTopRight; ++position) {
            DrawImageQuad(pictures_[position], 1.0f, false, position, client);
        }
        device->EndScene();
    }
    device->Present();
}

void LoadingScreen::SplashFrame(render::Texture* texture, float opacity,
                                const platform::Rect& client) const {
    Device* device = CurrentDevice();
    if (!device) {
        return;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    if (Succeeded(device->BeginScene())) {
        DrawImageQuad(texture, opacity, true, kScreenCentre, client);
        device->EndScene();
    }
    device->Present();
}

void LoadingScreen::FadeOut(const platform::Rect& client, core::IntervalTimer::Clock clock) const {
    const core::IntervalTimer fade(clock);
    // Without a device nothing can be shown and nothing waits.
    if (!CurrentDevice()) {
        return;
    }
    // A clock that stands still (or runs backwards) must not hold the start for ever.
    for (int frame = 0; frame < kMaxFadeFrames; ++frame) {
        const std::int64_t elapsed = fade.ElapsedMilliseconds();
        if (elapsed < 0 || elapsed >= kLoadingFadeMilliseconds) {
            break;
        }
        SplashFrame(pictures_[0], 1.0f - float(elapsed) / float(kLoadingFadeMilliseconds),
                    PictureArea(client));
    }
}

}  // namespace app
