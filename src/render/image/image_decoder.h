// Decoding of image files in memory: JPEG, PNG, TGA, BMP and GIF through stb_image, DDS through
// our own reader.
#pragma once

#include <cstdint>
#include <span>

#include "render/image/image.h"

namespace render {

// Fills `image` with the picture (the top mip level for DDS) and `info` with what the file says
// about itself. False, leaving both empty, for anything unreadable or larger than the limits.
bool DecodeImage(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);

}  // namespace render
