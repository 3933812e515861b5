// TextureRequest: what a caller asks the texture manager for.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_filter.h"
#include "vfs/file_source.h"

namespace render {

class Texture;

// Which fields of a request are significant.
inline constexpr std::uint32_t kRequestFormat = 0x001;
inline constexpr std::uint32_t kRequestColorKey = 0x002;
inline constexpr std::uint32_t kRequestSize = 0x004;
inline constexpr std::uint32_t kRequestUsage = 0x008;
inline constexpr std::uint32_t kRequestPool = 0x010;
inline constexpr std::uint32_t kRequestFilter = 0x020;
inline constexpr std::uint32_t kRequestMipLevels = 0x040;
inline constexpr std::uint32_t kRequestSubName = 0x080;
inline constexpr std::uint32_t kRequestSubRect = 0x100;
inline constexpr std::uint32_t kRequestExisting = 0x200;

// A rectangle in texels: left and top inside, right and bottom just outside.
struct TexelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const TexelRect&, const TexelRect&) = default;
};

struct TextureRequest {
    std::uint32_t flags = 0;
    vfs::FileSource source;
    std::string subTextureName;
    TexelRect subTextureRect;
    std::uint32_t width = 0;  // 0: the image's own size
    std::uint32_t height = 0;
    std::uint32_t mipLevels = 0;  // 0: the full chain
    std::uint32_t usage = 0;
    gfx::D3DFORMAT format = gfx::D3DFMT_UNKNOWN;
    gfx::D3DPOOL pool = gfx::D3DPOOL_MANAGED;
    std::uint32_t filter = D3DX_FILTER_BOX;
    std::uint32_t mipFilter = D3DX_FILTER_BOX;
    gfx::D3DCOLOR colorKey = 0;    // 0: none
    bool doNotShare = false;       // always make a new texture
    bool lookupOnly = false;       // only hand out what is already loaded
    bool replaceExisting = false;  // release `texture` before loading
    bool lazy = false;             // create the device texture on first use
    Texture* texture = nullptr;    // with kRequestExisting: the texture asked about
};

}  // namespace render
