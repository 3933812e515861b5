#include "render/image/image_decoder.h"

#include <climits>

#include "platform/gfx/d3d_types.h"
#include "render/image/dds_reader.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace render {
namespace {

std::uint32_t FileFormatOf(stbi__context* context) {
    if (stbi__jpeg_test(context)) {
        return D3DXIFF_JPG;
    }
    if (stbi__png_test(context)) {
        return D3DXIFF_PNG;
    }
    if (stbi__bmp_test(context)) {
        return D3DXIFF_BMP;
    }
    if (stbi__gif_test(context)) {
        return ImageFileGif;
    }
    return D3DXIFF_TGA;
}

bool DecodeWithStb(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return false;
    }
    const auto* data = bytes.data();
    const int length = int(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels) ||
        !ImageSizeAcceptable(std::uint64_t(width), std::uint64_t(height))) {
        return false;
    }
    stbi__context context;
    stbi__start_mem(&context, data, length);
    const std::uint32_t fileFormat = FileFormatOf(&context);

    stbi_uc* rgba = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (!rgba) {
        return false;
    }
    if (!ImageSizeAcceptable(std::uint64_t(width), std::uint64_t(height))) {
        stbi_image_free(rgba);
        return false;
    }
    image.width = std::uint32_t(width);
    image.height = std::uint32_t(height);
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    const stbi_uc* p = rgba;
    for (std::uint32_t& texel : image.pixels) {
        texel =
            std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
        p += 4;
    }
    stbi_image_free(rgba);

    info = ImageInfo{};
    info.Width = image.width;
    info.Height = image.height;
    const bool alpha = channels == 2 || channels == 4;
    info.Format = alpha ? gfx::D3DFMT_A8R8G8B8 : gfx::D3DFMT_X8R8G8B8;
    info.ImageFileFormat = fileFormat;
    return true;
}

}  // namespace

bool DecodeImage(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    image = Image{};
    info = ImageInfo{};
    const bool ok =
        IsDdsFile(bytes) ? ReadDds(bytes, image, info) : DecodeWithStb(bytes, image, info);
    if (!ok) {
        image = Image{};
        info = ImageInfo{};
    }
    return ok;
}

}  // namespace render
