#include "platform/win32/d3d9/pixel_rows.h"

#include <cstring>

namespace gfx::d3d9 {

namespace {

// Widens a bits-wide channel to eight bits, so its top value stays the top value.
std::uint32_t Widen(std::uint32_t value, int bits) {
    const std::uint32_t top = (1u << bits) - 1;
    return (value * 255 + top / 2) / top;
}

template <typename Pixel, typename Convert>
void EachPixel(const void* row, UINT width, std::uint32_t* argb, Convert convert) {
    const auto* bytes = static_cast<const unsigned char*>(row);
    for (UINT x = 0; x < width; ++x) {
        Pixel pixel;
        std::memcpy(&pixel, bytes + x * sizeof(Pixel), sizeof pixel);
        argb[x] = convert(pixel);
    }
}

}  // namespace

bool ToArgbRow(D3DFORMAT format, const void* row, UINT width, std::uint32_t* argb) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            std::memcpy(argb, row, static_cast<std::size_t>(width) * 4);
            return true;
        case D3DFMT_X8R8G8B8:
            EachPixel<std::uint32_t>(row, width, argb,
                                     [](std::uint32_t p) { return p | 0xFF000000u; });
            return true;
        case D3DFMT_A2R10G10B10:
            EachPixel<std::uint32_t>(row, width, argb, [](std::uint32_t p) {
                return Widen(p >> 30, 2) << 24 | ((p >> 22) & 0xFF) << 16 | ((p >> 12) & 0xFF) << 8 |
                       ((p >> 2) & 0xFF);
            });
            return true;
        case D3DFMT_R5G6B5:
            EachPixel<std::uint16_t>(row, width, argb, [](std::uint16_t p) {
                return 0xFF000000u | Widen(p >> 11, 5) << 16 | Widen((p >> 5) & 0x3F, 6) << 8 |
                       Widen(p & 0x1F, 5);
            });
            return true;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            const bool alpha = format == D3DFMT_A1R5G5B5;
            EachPixel<std::uint16_t>(row, width, argb, [alpha](std::uint16_t p) {
                const std::uint32_t a = !alpha || (p & 0x8000) ? 0xFFu : 0u;
                return a << 24 | Widen((p >> 10) & 0x1F, 5) << 16 | Widen((p >> 5) & 0x1F, 5) << 8 |
                       Widen(p & 0x1F, 5);
            });
            return true;
        }
        default:
            return false;
    }
}

}  // namespace gfx::d3d9
