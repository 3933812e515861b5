// What the texture loader does to a decoded picture before it goes into a texture: the colour
// key, scaling with the D3DX filters, and the mip chain.
#pragma once

#include <cstdint>

#include "render/textures/image/image.h"

namespace render {

// D3DX filter codes (the low byte of a filter value; the higher bits are option flags).
inline constexpr std::uint32_t D3DX_FILTER_NONE = 1;
inline constexpr std::uint32_t D3DX_FILTER_POINT = 2;
inline constexpr std::uint32_t D3DX_FILTER_LINEAR = 3;
inline constexpr std::uint32_t D3DX_FILTER_TRIANGLE = 4;
inline constexpr std::uint32_t D3DX_FILTER_BOX = 5;
inline constexpr std::uint32_t D3DX_DEFAULT = 0xFFFFFFFF;
inline constexpr std::uint32_t D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFE;

// Every texel equal to `key` (ARGB, alpha included) becomes transparent black; a key of 0 means
// no key.
void ApplyColorKey(Image& image, std::uint32_t key);

// The picture scaled to width x height. NONE copies without scaling (what lies outside the source
// is transparent black), POINT takes the nearest texel, LINEAR interpolates between the four
// nearest, TRIANGLE and BOX average the area each target texel covers.
Image Resample(const Image& source, std::uint32_t width, std::uint32_t height,
               std::uint32_t filter);

// The next mip level: half the size on each axis, at least 1.
Image NextMipLevel(const Image& level, std::uint32_t filter);

// Number of levels of a full mip chain down to 1 x 1.
std::uint32_t FullMipCount(std::uint32_t width, std::uint32_t height);

std::uint32_t NextPowerOfTwo(std::uint32_t value);

}  // namespace render
