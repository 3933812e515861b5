// DirectDraw surface files: uncompressed 16- and 32-bit formats and the DXT1/3/5 block formats.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "render/textures/image/image.h"

namespace render {

bool IsDdsFile(std::span<const std::uint8_t> bytes);

// Decodes the top mip level of a plain 2D surface into `image`; the file's own format and mip
// count go into `info`. Cube maps, volumes and other pixel layouts are refused.
bool ReadDds(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info);

// The blocks of each mip level of a DXT1 file as stored, the top level first: as many levels as
// its header counts and the file holds whole. Empty for any other file.
std::vector<std::span<const std::uint8_t>> Dxt1Levels(std::span<const std::uint8_t> bytes);

}  // namespace render
