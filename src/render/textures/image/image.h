// Decoded pictures and what is known about the file they came from.
#pragma once

#include <cstdint>
#include <vector>

namespace render {

// File kinds under the D3DX image file format codes; GIF has no code there and gets its own.
inline constexpr std::uint32_t D3DXIFF_BMP = 0;
inline constexpr std::uint32_t D3DXIFF_JPG = 1;
inline constexpr std::uint32_t D3DXIFF_TGA = 2;
inline constexpr std::uint32_t D3DXIFF_PNG = 3;
inline constexpr std::uint32_t D3DXIFF_DDS = 4;
inline constexpr std::uint32_t ImageFileGif = 0x100;

// What the loader reports about an image file, field for field as D3DXIMAGE_INFO.
struct ImageInfo {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Depth = 1;
    std::uint32_t MipLevels = 1;
    std::uint32_t Format = 0;        // the file's own pixel format (D3DFORMAT)
    std::uint32_t ResourceType = 3;  // D3DRTYPE_TEXTURE
    std::uint32_t ImageFileFormat = 0;
};

// One picture as 32-bit ARGB words (alpha in the top byte), rows from the top.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t& at(std::uint32_t x, std::uint32_t y) {
        return pixels[std::size_t(y) * width + x];
    }
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const {
        return pixels[std::size_t(y) * width + x];
    }
};

// The largest side and area any decoder accepts, so a lying header cannot ask for gigabytes.
inline constexpr std::uint32_t kMaxImageSide = 16384;
inline constexpr std::uint64_t kMaxImagePixels = 64ull << 20;

inline bool ImageSizeAcceptable(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

}  // namespace render
