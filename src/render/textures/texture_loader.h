// Texture creation from image files in memory, the way the D3DX loader does it: decode, colour
// key, choose format, size and mip count, scale with the filter, build the mip chain, upload.
#pragma once

#include <cstdint>
#include <span>

#include "platform/gfx/device.h"
#include "render/textures/image/image.h"
#include "render/textures/texture_request.h"

namespace render {

struct TextureParams {
    std::uint32_t width = 0;  // 0 or D3DX_DEFAULT: the image's size rounded up to a power of 2
    std::uint32_t height = 0;
    std::uint32_t mipLevels = 0;  // 0 or D3DX_DEFAULT: the full chain
    std::uint32_t usage = 0;
    gfx::D3DFORMAT format = gfx::D3DFMT_UNKNOWN;  // 0: the file's own format
    gfx::D3DPOOL pool = gfx::D3DPOOL_MANAGED;
    std::uint32_t filter = D3DX_FILTER_BOX;
    std::uint32_t mipFilter = D3DX_FILTER_BOX;
    gfx::D3DCOLOR colorKey = 0;
};

// D3DXCreateTextureFromFileInMemoryEx. `info` may be null.
gfx::HRESULT CreateTextureFromFileInMemory(gfx::Device* device, std::span<const std::uint8_t> file,
                                           const TextureParams& params, ImageInfo* info,
                                           gfx::Texture** texture);

// D3DXCreateTexture: a texture of undefined content; sizes 0 or D3DX_DEFAULT give 256, format 0
// gives A8R8G8B8.
gfx::HRESULT CreateBlankTexture(gfx::Device* device, const TextureParams& params,
                                gfx::Texture** texture);

// D3DXLoadSurfaceFromFileInMemory into level 0 of `texture`: the whole image is scaled into
// `destination` (the whole level when null) with `filter`, after the colour key.
gfx::HRESULT LoadSurfaceFromFileInMemory(gfx::Texture* texture, const TexelRect* destination,
                                         std::span<const std::uint8_t> file, std::uint32_t filter,
                                         gfx::D3DCOLOR colorKey, ImageInfo* info);

}  // namespace render
