// Image files written by the system's own encoders (libjpeg-turbo, libpng, giflib) and by hand
// (TGA, BMP), for the decoder and texture tests.
#pragma once

#include <cstdint>
#include <vector>

namespace render::test {

// A picture as ARGB words, rows from the top.
struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> argb;
};

enum class JpegKind { Colour, Grey, Progressive, Cmyk };
// Quality 100. A CMYK file is written as Adobe writes it: inks inverted, ink = 255 - colour
// and black 255 (no black ink).
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, JpegKind kind = JpegKind::Colour);

enum class PngKind { Rgba, Rgb, PaletteWithTransparency, Grey16, Interlaced };
std::vector<std::uint8_t> EncodePng(const Picture& picture, PngKind kind);

// The first frame of `picture` at (left, top) on a screen of the given size; texels with alpha 0
// become the transparent index. `palette` holds the distinct colours (at most 256, opaque).
struct GifFrame {
    std::uint32_t screenWidth = 0, screenHeight = 0;
    std::uint32_t left = 0, top = 0;
    bool interlaced = false;
    bool secondFrame = false;  // a second, different frame after the first
};
std::vector<std::uint8_t> EncodeGif(const Picture& picture, const GifFrame& frame);

}  // namespace render::test
