// BMP files through the bitmap reader the program paints its resources with.
#include "platform/bmp_image.h"
#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_formats.h"

namespace render {

bool DecodeBmp(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    const auto bitmap = platform::DecodeBmp(bytes);
    if (!bitmap) {
        return false;
    }
    image.width = std::uint32_t(bitmap->width);
    image.height = std::uint32_t(bitmap->height);
    image.pixels.resize(bitmap->pixels.size());
    const bool alpha = !bitmap->alpha.empty();
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const std::uint32_t a = alpha ? bitmap->alpha[i] : 0xFF;
        image.pixels[i] = a << 24 | bitmap->pixels[i];
    }
    info.Width = image.width;
    info.Height = image.height;
    info.Format = alpha ? gfx::D3DFMT_A8R8G8B8 : gfx::D3DFMT_X8R8G8B8;
    info.ImageFileFormat = D3DXIFF_BMP;
    return true;
}

}  // namespace render
