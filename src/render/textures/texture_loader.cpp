#include "render/textures/texture_loader.h"

#include <algorithm>

#include "render/textures/image/dds_reader.h"
#include "render/textures/image/image_decoder.h"
#include "render/textures/image/image_filter.h"
#include "render/textures/image/pixel_format.h"

namespace render {
namespace {

using namespace gfx;

constexpr std::uint32_t kDefaultBlankSide = 256;

// Writes `image` (already of the level's size or the rectangle's) into one level.
HRESULT Upload(gfx::Texture* texture, UINT level, D3DFORMAT format, const Image& image,
               const RECT* rect) {
    const std::uint32_t bytes = TexelBytes(format);
    if (bytes == 0) {
        return D3DERR_INVALIDCALL;
    }
    D3DLOCKED_RECT locked{};
    if (Failed(texture->LockRect(level, &locked, rect, 0)) || !locked.pBits) {
        return D3DERR_INVALIDCALL;
    }
    auto* base = static_cast<std::uint8_t*>(locked.pBits);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = base + std::ptrdiff_t(locked.Pitch) * y;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            PackTexel(format, image.at(x, y), row + std::size_t(x) * bytes);
        }
    }
    texture->UnlockRect(level);
    return S_OK;
}

bool IsOpaque(const Image& image) {
    return std::all_of(image.pixels.begin(), image.pixels.end(),
                       [](std::uint32_t texel) { return texel >> 24 == 0xFF; });
}

std::uint32_t SideFor(std::uint32_t requested, std::uint32_t imageSide, std::uint32_t maxSide) {
    std::uint32_t side = requested;
    if (requested == 0 || requested == D3DX_DEFAULT) {
        side = NextPowerOfTwo(imageSide);
    } else if (requested == D3DX_DEFAULT_NONPOW2) {
        side = imageSide;
    }
    side = std::min(side, kMaxImageSide);
    if (maxSide > 0) {
        side = std::min(side, maxSide);
    }
    return std::max(side, 1u);
}

std::uint32_t LevelsFor(std::uint32_t requested, std::uint32_t width, std::uint32_t height) {
    const std::uint32_t full = FullMipCount(width, height);
    if (requested == 0 || requested == D3DX_DEFAULT) {
        return full;
    }
    return std::min(requested, full);
}

// An opaque DXT1 file drawn at its own size, with its whole mip chain, keeps its blocks: its
// levels go to the device as they are, in an eighth of the memory of decoded texels. Null when
// the file or the device can't take that way (the caller decodes instead).
Ref<gfx::Texture> KeepBlocks(Device* device, std::span<const std::uint8_t> file,
                             const TextureParams& params, const Image& image,
                             const ImageInfo& fileInfo, std::uint32_t width, std::uint32_t height,
                             std::uint32_t levels) {
    if (fileInfo.Format != D3DFMT_DXT1 || params.format != D3DFMT_UNKNOWN || params.colorKey != 0 ||
        params.usage != 0 || width != image.width || height != image.height || width % 4 != 0 ||
        height % 4 != 0 || !IsOpaque(image)) {
        return {};
    }
    const auto blocks = Dxt1Levels(file);
    if (blocks.size() < levels) {
        return {};
    }
    Ref<gfx::Texture> created;
    if (Failed(device->CreateTexture(width, height, levels, params.usage, D3DFMT_DXT1, params.pool,
                                     created.put()))) {
        return {};
    }
    constexpr std::uint32_t kBlockBytes = 8;
    for (UINT index = 0; index < levels; ++index) {
        const std::uint32_t across = (std::max(width >> index, 1u) + 3) / 4;
        const std::uint32_t down = (std::max(height >> index, 1u) + 3) / 4;
        D3DLOCKED_RECT locked{};
        if (Failed(created->LockRect(index, &locked, nullptr, 0)) || !locked.pBits) {
            return {};
        }
        auto* base = static_cast<std::uint8_t*>(locked.pBits);
        for (std::uint32_t row = 0; row < down; ++row) {
            std::copy_n(blocks[index].data() + std::size_t(row) * across * kBlockBytes,
                        across * kBlockBytes, base + std::ptrdiff_t(locked.Pitch) * row);
        }
        created->UnlockRect(index);
    }
    return created;
}

}  // namespace

HRESULT CreateTextureFromFileInMemory(Device* device, std::span<const std::uint8_t> file,
                                      const TextureParams& params, ImageInfo* info,
                                      gfx::Texture** texture) {
    if (!device || !texture) {
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    Image image;
    ImageInfo fileInfo;
    if (!DecodeImage(file, image, fileInfo)) {
        return D3DERR_INVALIDCALL;
    }
    D3DFORMAT format = params.format;
    if (format == D3DFMT_UNKNOWN) {
        format = fileInfo.Format;
        // DXT1 stores alpha only in blocks that use its transparent colour; a file without
        // any such texel is opaque, and its texture must not count as having alpha.
        if (format == D3DFMT_DXT1) {
            format = IsOpaque(image) ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8;
        }
        // A key needs somewhere to put its transparency.
        if (params.colorKey != 0) {
            format = WithAlpha(format);
        }
    }
    format = TextureFormatFor(format);
    ApplyColorKey(image, params.colorKey);

    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    const std::uint32_t width = SideFor(params.width, image.width, caps.MaxTextureWidth);
    const std::uint32_t height = SideFor(params.height, image.height, caps.MaxTextureHeight);
    const std::uint32_t levels = LevelsFor(params.mipLevels, width, height);

    Ref<gfx::Texture> created =
        KeepBlocks(device, file, params, image, fileInfo, width, height, levels);
    if (created) {
        if (info) {
            *info = fileInfo;
        }
        *texture = created.get();
        (*texture)->AddRef();
        return S_OK;
    }
    const HRESULT hr = device->CreateTexture(width, height, levels, params.usage, format,
                                             params.pool, created.put());
    if (Failed(hr)) {
        return hr;
    }
    Image level = Resample(image, width, height, params.filter);
    const UINT count = created->GetLevelCount();
    for (UINT index = 0; index < count; ++index) {
        if (index > 0) {
            level = NextMipLevel(level, params.mipFilter);
        }
        if (Failed(Upload(created.get(), index, format, level, nullptr))) {
            return D3DERR_INVALIDCALL;
        }
    }
    if (info) {
        *info = fileInfo;
    }
    *texture = created.get();
    (*texture)->AddRef();
    return S_OK;
}

HRESULT CreateBlankTexture(Device* device, const TextureParams& params, gfx::Texture** texture) {
    if (!device || !texture) {
        return D3DERR_INVALIDCALL;
    }
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    auto side = [](std::uint32_t requested, std::uint32_t maxSide) {
        if (requested == 0 || requested >= D3DX_DEFAULT_NONPOW2) {
            return kDefaultBlankSide;
        }
        return std::min({requested, kMaxImageSide, maxSide > 0 ? maxSide : kMaxImageSide});
    };
    const std::uint32_t width = side(params.width, caps.MaxTextureWidth);
    const std::uint32_t height = side(params.height, caps.MaxTextureHeight);
    const D3DFORMAT format =
        params.format == D3DFMT_UNKNOWN ? D3DFMT_A8R8G8B8 : TextureFormatFor(params.format);
    return device->CreateTexture(width, height, LevelsFor(params.mipLevels, width, height),
                                 params.usage, format, params.pool, texture);
}

HRESULT LoadSurfaceFromFileInMemory(gfx::Texture* texture, const TexelRect* destination,
                                    std::span<const std::uint8_t> file, std::uint32_t filter,
                                    D3DCOLOR colorKey, ImageInfo* info) {
    if (!texture) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc{};
    if (Failed(texture->GetLevelDesc(0, &desc))) {
        return D3DERR_INVALIDCALL;
    }
    RECT rect{0, 0, std::int32_t(desc.Width), std::int32_t(desc.Height)};
    if (destination) {
        rect = {destination->left, destination->top, destination->right, destination->bottom};
    }
    if (rect.left < 0 || rect.top < 0 || rect.right <= rect.left || rect.bottom <= rect.top ||
        std::uint32_t(rect.right) > desc.Width || std::uint32_t(rect.bottom) > desc.Height) {
        return D3DERR_INVALIDCALL;
    }
    Image image;
    ImageInfo fileInfo;
    if (!DecodeImage(file, image, fileInfo)) {
        return D3DERR_INVALIDCALL;
    }
    ApplyColorKey(image, colorKey);
    const Image scaled = Resample(image, std::uint32_t(rect.right - rect.left),
                                  std::uint32_t(rect.bottom - rect.top), filter);
    const HRESULT hr = Upload(texture, 0, desc.Format, scaled, &rect);
    if (Succeeded(hr) && info) {
        *info = fileInfo;
    }
    return hr;
}

}  // namespace render
