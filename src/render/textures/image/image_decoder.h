// Decoding of image files in memory: JPEG (libjpeg-turbo), PNG (libpng), GIF (giflib), and TGA,
// BMP and DDS through readers of our own.
#pragma once

#include <cstdint>
#include <span>

#include "render/textures/image/image.h"

namespace render {

// Fills `image` with the picture (the top mip level for DDS, the first frame for GIF) and `info`
// with what the file says about itself. False, leaving both empty, for anything unreadable,
// truncated or larger than the limits.
bool DecodeImage(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);

}  // namespace render
