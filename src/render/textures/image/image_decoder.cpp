#include "render/textures/image/image_decoder.h"

#include <algorithm>
#include <array>

#include "render/textures/image/dds_reader.h"
#include "render/textures/image/image_formats.h"

namespace render {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

constexpr std::array<std::uint8_t, 8> kPngMagic = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::array<std::uint8_t, 3> kJpegMagic = {0xFF, 0xD8, 0xFF};
constexpr std::array<std::uint8_t, 4> kGifMagic = {'G', 'I', 'F', '8'};
constexpr std::array<std::uint8_t, 2> kBmpMagic = {'B', 'M'};

bool Decode(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    if (IsDdsFile(bytes)) {
        return ReadDds(bytes, image, info);
    }
    if (StartsWith(bytes, kPngMagic)) {
        return DecodePng(bytes, image, info);
    }
    if (StartsWith(bytes, kJpegMagic)) {
        return DecodeJpeg(bytes, image, info);
    }
    if (StartsWith(bytes, kGifMagic)) {
        return DecodeGif(bytes, image, info);
    }
    if (StartsWith(bytes, kBmpMagic)) {
        return DecodeBmp(bytes, image, info);
    }
    // TGA has no signature; its header is checked field by field instead.
    return DecodeTga(bytes, image, info);
}

}  // namespace

bool DecodeImage(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    image = Image{};
    info = ImageInfo{};
    const bool ok = Decode(bytes, image, info) && ImageSizeAcceptable(image.width, image.height) &&
                    image.pixels.size() == std::size_t(image.width) * image.height;
    if (!ok) {
        image = Image{};
        info = ImageInfo{};
    }
    return ok;
}

}  // namespace render
