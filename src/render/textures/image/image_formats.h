// The decoders behind DecodeImage, one per file kind. Each reads the picture's size from the
// header and refuses it against the limits before allocating anything for the pixels, and fails
// (without printing) on data that ends before the picture does. On failure `image` and `info` may
// hold partial results; DecodeImage clears them.
#pragma once

#include <cstdint>
#include <span>

#include "render/textures/image/image.h"

namespace render {

bool DecodeJpeg(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);
bool DecodePng(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);
bool DecodeGif(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);
bool DecodeTga(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);
bool DecodeBmp(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);

}  // namespace render
