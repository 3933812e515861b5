#include "platform/bmp_image.h"

namespace platform {
namespace {

constexpr int kMaxSide = 16384;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;

std::uint32_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

}  // namespace

std::optional<BmpImage> DecodeBmp(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeaderSize + 40 || file[0] != 'B' || file[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t dataOffset = Read32(file, 10);
    const std::uint32_t infoSize = Read32(file, kFileHeaderSize);
    if (infoSize < 40 || infoSize > file.size() - kFileHeaderSize) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(Read32(file, 18));
    const auto rawHeight = static_cast<std::int32_t>(Read32(file, 22));
    const std::uint32_t planes = Read16(file, 26);
    const std::uint32_t bits = Read16(file, 28);
    const std::uint32_t compression = Read32(file, 30);
    std::uint32_t colours = Read32(file, 46);

    const bool topDown = rawHeight < 0;
    // Widened first: negating the most negative 32-bit height would overflow.
    const std::int64_t height = topDown ? -std::int64_t(rawHeight) : rawHeight;
    if (planes != 1 || width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide) {
        return std::nullopt;
    }
    const bool plain = compression == BI_RGB || (compression == BI_BITFIELDS && bits == 32);
    if (!plain || (bits != 8 && bits != 24 && bits != 32)) {
        return std::nullopt;
    }

    std::vector<std::uint32_t> palette;
    if (bits == 8) {
        if (colours == 0 || colours > 256) {
            colours = 256;
        }
        const std::size_t paletteAt = kFileHeaderSize + infoSize;
        if (paletteAt + std::size_t(colours) * 4 > file.size()) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < colours; ++i) {
            palette.push_back(Read32(file, paletteAt + i * 4) & 0xFFFFFF);
        }
        palette.resize(256, 0);
    }

    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    if (dataOffset > file.size() || stride * height > file.size() - dataOffset) {
        return std::nullopt;
    }

    BmpImage image;
    image.width = width;
    image.height = static_cast<int>(height);
    image.pixels.resize(std::size_t(width) * height);
    for (int y = 0; y < image.height; ++y) {
        const int stored = topDown ? y : image.height - 1 - y;
        const std::uint8_t* row = file.data() + dataOffset + stride * stored;
        std::uint32_t* out = image.pixels.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            if (bits == 8) {
                out[x] = palette[row[x]];
            } else {
                const std::uint8_t* p = row + std::size_t(x) * (bits / 8);
                out[x] = p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16);
            }
        }
    }
    return image;
}

}  // namespace platform
