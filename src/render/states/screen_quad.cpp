#include "render/states/screen_quad.h"

#include <cstdint>

#include "render/textures/texture_manager.h"
#include "render/textures/texture_request.h"
#include "vfs/file_source.h"

#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/states/render_states.h"
#include "render/textures/texture.h"

namespace render {
namespace {

using namespace gfx;

constexpr float kCornerWidth = 256.0f;
constexpr float kCornerHeight = 128.0f;

struct ScreenVertex {
    float x, y, z, rhw;
    float u, v;
};

constexpr DWORD kScreenVertexFormat = D3DFVF_XYZRHW | D3DFVF_TEX1;

}  // namespace

bool DrawScreenQuad(Texture* texture, float opacity, bool fullScreen, int position,
                    const platform::Rect& client) {
    Device* device = CurrentDevice();
    if (!device || !texture) {
        return false;
    }
    const float w = float(client.Width()), h = float(client.Height());
    float left = w / 4, top = h / 4, right = w - w / 4, bottom = h - h / 4;
    if (fullScreen) {
        left = 0;
        top = 0;
        right = w;
        bottom = h;
    }
    // The rectangle may lie anywhere in the back buffer.
    const float x = float(client.left), y = float(client.top);
    switch (position) {
        case kScreenBottomRight:
            left = w - kCornerWidth, top = h - kCornerHeight, right = w, bottom = h;
            break;
        case kScreenBottomLeft:
            left = 0, top = h - kCornerHeight, right = kCornerWidth, bottom = h;
            break;
        case kScreenTopLeft:
            left = 0, top = 0, right = kCornerWidth, bottom = kCornerHeight;
            break;
        case kScreenTopRight:
            left = w - kCornerWidth, top = 0, right = w, bottom = kCornerHeight;
            break;
        default:
            break;
    }
    left += x, right += x, top += y, bottom += y;
    // Clockwise on screen, the front side.
    const ScreenVertex quad[6] = {
        {left, top, 0.1f, 1.0f, 0, 0},     {right, top, 0.1f, 1.0f, 1, 0},
        {right, bottom, 0.1f, 1.0f, 1, 1}, {left, top, 0.1f, 1.0f, 0, 0},
        {right, bottom, 0.1f, 1.0f, 1, 1}, {left, bottom, 0.1f, 1.0f, 0, 1},
    };

    RenderStates block;
    block.stages[0].texture = texture;
    block.opacity = opacity;
    StateCache& cache = DeviceStateCache();
    ApplyRenderStates(block, kScreenVertexFormat);
    cache.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    cache.SetRenderState(D3DRS_ZWRITEENABLE, 0);
    device->SetFVF(kScreenVertexFormat);
    const bool drawn =
        Succeeded(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(ScreenVertex)));
    cache.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    cache.SetRenderState(D3DRS_ZWRITEENABLE, 1);
    return drawn;
}

Texture* LoadBlackTexture() {
    // A 24-bit BMP of one black pixel, its row padded to four bytes; it lives for the process,
    // so the texture may refer to it.
    static const std::uint8_t kBlackBmp[58] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40,  0,   0,  0, 1, 0, 0, 0, 1, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
        4,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,  // info header
        0,   0,   0,  0,                                                    // the pixel
    };
    TextureRequest request;
    request.source = vfs::FileSource(kBlackBmp, sizeof kBlackBmp);
    return TextureManager::Instance().GetTexture(request);
}

}  // namespace render
