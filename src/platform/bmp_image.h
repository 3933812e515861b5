// A reader for Windows BMP files: the bitmap resources the program paints and bitmaps used as
// textures.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct BmpImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
    // One byte a texel, in the order of `pixels`, when the file carries an alpha channel (a
    // bit-field mask for it, or 32-bit texels whose spare byte is not zero throughout).
    std::vector<std::uint8_t> alpha;

    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Uncompressed 1-, 4- and 8-bit (palette), 16-bit (5-5-5 or bit fields), 24-bit and 32-bit
// (plain or bit fields) images, stored bottom-up or top-down. Anything else, a damaged file, a
// file shorter than its header promises, or one larger than 16384 pixels a side or 64 M pixels
// gives nothing.
std::optional<BmpImage> DecodeBmp(std::span<const std::uint8_t> file);

}  // namespace platform
