#include "render/textures/image/image_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace render {
namespace {

Image Blank(std::uint32_t width, std::uint32_t height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(std::size_t(width) * height, 0);
    return image;
}

std::uint32_t Channel(std::uint32_t argb, int shift) {
    return argb >> shift & 255;
}

Image CopyUnscaled(const Image& source, std::uint32_t width, std::uint32_t height) {
    Image out = Blank(width, height);
    const std::uint32_t w = std::min(width, source.width), h = std::min(height, source.height);
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            out.at(x, y) = source.at(x, y);
        }
    }
    return out;
}

Image Nearest(const Image& source, std::uint32_t width, std::uint32_t height) {
    Image out = Blank(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t sy =
            std::uint32_t((std::uint64_t(y) * 2 + 1) * source.height / (2ull * height));
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t sx =
                std::uint32_t((std::uint64_t(x) * 2 + 1) * source.width / (2ull * width));
            out.at(x, y) = source.at(sx, sy);
        }
    }
    return out;
}

// lround of a non-negative float without the library call: the sum is exact in double.
std::uint32_t RoundHalfUp(float value) {
    return std::uint32_t(double(value) + 0.5);
}

Image Bilinear(const Image& source, std::uint32_t width, std::uint32_t height) {
    Image out = Blank(width, height);
    const float scaleX = float(source.width) / float(width);
    const float scaleY = float(source.height) / float(height);
    // The columns' source texels and weights are the same on every row.
    struct Column {
        std::uint32_t x0, x1;
        float tx;
    };
    std::vector<Column> columns(width);
    for (std::uint32_t x = 0; x < width; ++x) {
        const float fx =
            std::clamp((float(x) + 0.5f) * scaleX - 0.5f, 0.0f, float(source.width - 1));
        const std::uint32_t x0 = std::uint32_t(fx);
        columns[x] = {x0, std::min(x0 + 1, source.width - 1), fx - float(x0)};
    }
    for (std::uint32_t y = 0; y < height; ++y) {
        const float fy =
            std::clamp((float(y) + 0.5f) * scaleY - 0.5f, 0.0f, float(source.height - 1));
        const std::uint32_t y0 = std::uint32_t(fy), y1 = std::min(y0 + 1, source.height - 1);
        const float ty = fy - float(y0);
        for (std::uint32_t x = 0; x < width; ++x) {
            const Column& c = columns[x];
            const float tx = c.tx;
            const std::uint32_t a = source.at(c.x0, y0), b = source.at(c.x1, y0),
                                d = source.at(c.x0, y1), e = source.at(c.x1, y1);
            std::uint32_t texel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const float top =
                    float(Channel(a, shift)) * (1 - tx) + float(Channel(b, shift)) * tx;
                const float bottom =
                    float(Channel(d, shift)) * (1 - tx) + float(Channel(e, shift)) * tx;
                texel |= RoundHalfUp(top * (1 - ty) + bottom * ty) << shift;
            }
            out.at(x, y) = texel;
        }
    }
    return out;
}

// Exact halving, as every mip level of an even-sided texture is made: each texel the rounded
// mean of four. The same values as the weighted average below, in a fraction of its time.
Image HalveByBoxes(const Image& source, std::uint32_t width, std::uint32_t height) {
    Image out = Blank(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* top = &source.pixels[std::size_t(y) * 2 * source.width];
        const std::uint32_t* bottom = top + source.width;
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x],
                                d = bottom[2 * x + 1];
            // Red and blue, then alpha and green, two channels at a time in 16-bit lanes.
            const std::uint32_t even =
                ((a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF) + 0x20002) >> 2 &
                0xFF00FF;
            const std::uint32_t odd = (((a >> 8) & 0xFF00FF) + ((b >> 8) & 0xFF00FF) +
                                       ((c >> 8) & 0xFF00FF) + ((d >> 8) & 0xFF00FF) + 0x20002) >>
                                          2 &
                                      0xFF00FF;
            out.at(x, y) = even | odd << 8;
        }
    }
    return out;
}

// Each target texel averages the source area it covers, weighting partly covered texels.
Image AreaAverage(const Image& source, std::uint32_t width, std::uint32_t height) {
    if (source.width == width * 2 && source.height == height * 2) {
        return HalveByBoxes(source, width, height);
    }
    Image out = Blank(width, height);
    const double scaleX = double(source.width) / width, scaleY = double(source.height) / height;
    for (std::uint32_t y = 0; y < height; ++y) {
        const double top = y * scaleY, bottom = (y + 1) * scaleY;
        for (std::uint32_t x = 0; x < width; ++x) {
            const double left = x * scaleX, right = (x + 1) * scaleX;
            double sum[4] = {0, 0, 0, 0}, total = 0;
            for (std::uint32_t sy = std::uint32_t(top); sy < source.height && sy < bottom; ++sy) {
                const double wy = std::min(bottom, sy + 1.0) - std::max(top, double(sy));
                for (std::uint32_t sx = std::uint32_t(left); sx < source.width && sx < right;
                     ++sx) {
                    const double w = wy * (std::min(right, sx + 1.0) - std::max(left, double(sx)));
                    const std::uint32_t texel = source.at(sx, sy);
                    for (int c = 0; c < 4; ++c) {
                        sum[c] += w * Channel(texel, c * 8);
                    }
                    total += w;
                }
            }
            std::uint32_t texel = 0;
            for (int c = 0; c < 4; ++c) {
                texel |= std::uint32_t(std::lround(total > 0 ? sum[c] / total : 0)) << (c * 8);
            }
            out.at(x, y) = texel;
        }
    }
    return out;
}

}  // namespace

void ApplyColorKey(Image& image, std::uint32_t key) {
    if (key == 0) {
        return;
    }
    for (std::uint32_t& texel : image.pixels) {
        if (texel == key) {
            texel = 0;
        }
    }
}

Image Resample(const Image& source, std::uint32_t width, std::uint32_t height,
               std::uint32_t filter) {
    if (source.width == 0 || source.height == 0) {
        return Blank(width, height);
    }
    if (width == source.width && height == source.height) {
        return source;
    }
    switch (filter & 0xFF) {
        case D3DX_FILTER_NONE:
            return CopyUnscaled(source, width, height);
        case D3DX_FILTER_POINT:
            return Nearest(source, width, height);
        case D3DX_FILTER_LINEAR:
            return Bilinear(source, width, height);
        default:
            // Enlarging with an area filter gives blocks; interpolate instead.
            if (width >= source.width && height >= source.height) {
                return Bilinear(source, width, height);
            }
            return AreaAverage(source, width, height);
    }
}

Image NextMipLevel(const Image& level, std::uint32_t filter) {
    const std::uint32_t width = std::max(1u, level.width / 2);
    const std::uint32_t height = std::max(1u, level.height / 2);
    if ((filter & 0xFF) == D3DX_FILTER_NONE) {
        filter = D3DX_FILTER_POINT;
    }
    return Resample(level, width, height, filter);
}

std::uint32_t FullMipCount(std::uint32_t width, std::uint32_t height) {
    std::uint32_t levels = 1;
    for (std::uint32_t side = std::max(width, height); side > 1; side /= 2) {
        ++levels;
    }
    return levels;
}

std::uint32_t NextPowerOfTwo(std::uint32_t value) {
    std::uint32_t power = 1;
    while (power < value && power < 0x80000000u) {
        power <<= 1;
    }
    return power;
}

}  // namespace render
