// Texel layouts of the uncompressed formats the engine creates textures in, and conversion of
// single texels between them and 32-bit ARGB.
#pragma once

#include <cstdint>

namespace render {

// Bytes one texel takes in `format`; 0 for a format that cannot be written texel by texel.
std::uint32_t TexelBytes(std::uint32_t format);

// Reads one texel stored little-endian in `format` and widens it to ARGB; channels the format
// lacks read as opaque alpha or zero colour.
std::uint32_t UnpackTexel(std::uint32_t format, const std::uint8_t* texel);

// Narrows ARGB to `format` (rounding to the nearest level) and stores it little-endian.
void PackTexel(std::uint32_t format, std::uint32_t argb, std::uint8_t* texel);

// The format a texture of `format` is really created in: 24-bit texels are not offered for
// textures, so they become X8R8G8B8; unknown formats become A8R8G8B8.
std::uint32_t TextureFormatFor(std::uint32_t format);

// The same format with an alpha channel (X8R8G8B8 -> A8R8G8B8, R5G6B5 -> A1R5G5B5, ...).
std::uint32_t WithAlpha(std::uint32_t format);

}  // namespace render
