// A reader for the bitmap resources the program paints (Windows BMP files).
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

    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Uncompressed 8-bit (palette), 24-bit and 32-bit images, stored bottom-up or top-down. Anything
// else, a damaged file or one larger than 16384 pixels a side gives nothing.
std::optional<BmpImage> DecodeBmp(std::span<const std::uint8_t> file);

}  // namespace platform
