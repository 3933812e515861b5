#include "quad_ceiling.h"

namespace bench {

using namespace gfx;

Texture* PatternTexture(Device* device, UINT size, std::uint32_t seed) {
    Texture* texture = nullptr;
    if (Failed(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < size; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     y * locked.Pitch);
        for (UINT x = 0; x < size; ++x)
            row[x] = 0xFF000000u | ((x ^ y) * seed & 0xFFFFFF);
    }
    texture->UnlockRect(0);
    return texture;
}

std::array<ScreenVertex, 4> FullScreenQuad(UINT width, UINT height) {
    const float w = float(width) - 0.5f, h = float(height) - 0.5f;
    return {{{-0.5f, -0.5f, 0.5f, 1, 0, 0},
             {w, -0.5f, 0.5f, 1, 1, 0},
             {-0.5f, h, 0.5f, 1, 0, 1},
             {w, h, 0.5f, 1, 1, 1}}};
}

}  // namespace bench
