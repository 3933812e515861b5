// DirectDraw surface files: uncompressed 16- and 32-bit formats and the DXT1/3/5 block formats.
#pragma once

#include <cstdint>
#include <span>

#include "render/textures/image/image.h"

namespace render {

bool IsDdsFile(std::span<const std::uint8_t> bytes);

// Decodes the top mip level of a plain 2D surface into `image`; the file's own format and mip
// count go into `info`. Cube maps, volumes and other pixel layouts are refused.
bool ReadDds(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);

}  // namespace render
