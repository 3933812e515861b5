#include "platform/bmp_image.h"

#include <bit>

namespace platform {
namespace {

constexpr int kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = 64ull << 20;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kMasksAt = kFileHeaderSize + 40;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;

std::uint32_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// One channel of a bit-field texel, widened to 8 bits.
struct Field {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Field(std::uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    std::uint32_t Read(std::uint32_t texel) const {
        if (max == 0) {
            return 0;
        }
        const std::uint64_t value = (texel & mask) >> shift;
        return std::uint32_t((value * 255 + max / 2) / max);
    }
};

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
    if (planes != 1 || width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide ||
        std::uint64_t(width) * std::uint64_t(height) > kMaxPixels) {
        return std::nullopt;
    }
    const bool fields = compression == BI_BITFIELDS && (bits == 16 || bits == 32);
    if (!(compression == BI_RGB || fields) ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        return std::nullopt;
    }

    // Plain 16-bit texels are 5-5-5; plain 32-bit ones keep blue, green, red and a spare byte.
    std::uint32_t masks[4] = {0x7C00, 0x3E0, 0x1F, 0};
    if (bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
        masks[3] = 0xFF000000;
    }
    if (fields) {
        // A 40-byte header is followed by the three colour masks; longer ones hold them, and
        // from 56 bytes on the alpha mask too.
        const bool alphaMask = infoSize >= 56;
        if (kMasksAt + (alphaMask ? 16 : 12) > file.size()) {
            return std::nullopt;
        }
        for (int i = 0; i < 3; ++i) {
            masks[i] = Read32(file, kMasksAt + 4 * i);
        }
        masks[3] = alphaMask ? Read32(file, kMasksAt + 12) : 0;
    }
    const Field channel[4] = {Field(masks[0]), Field(masks[1]), Field(masks[2]), Field(masks[3])};

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        const std::uint32_t most = 1u << bits;
        if (colours == 0 || colours > most) {
            colours = most;
        }
        const std::size_t paletteAt = kFileHeaderSize + infoSize;
        if (paletteAt + std::size_t(colours) * 4 > file.size()) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < colours; ++i) {
            palette.push_back(Read32(file, paletteAt + i * 4) & 0xFFFFFF);
        }
        palette.resize(most, 0);
    }

    // Checked before anything is allocated: the rows must all be in the file.
    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    if (dataOffset > file.size() || stride * height > file.size() - dataOffset) {
        return std::nullopt;
    }

    BmpImage image;
    image.width = width;
    image.height = static_cast<int>(height);
    const std::size_t count = std::size_t(width) * height;
    image.pixels.resize(count);
    if (masks[3] != 0) {
        image.alpha.resize(count);
    }
    bool anyAlpha = false;
    for (int y = 0; y < image.height; ++y) {
        const int stored = topDown ? y : image.height - 1 - y;
        const std::uint8_t* row = file.data() + dataOffset + stride * stored;
        const std::size_t first = std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            if (bits <= 8) {
                const std::size_t bit = std::size_t(x) * bits;
                const std::uint32_t index =
                    (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                rgb = palette[index];
            } else if (bits == 24) {
                const std::uint8_t* p = row + std::size_t(x) * 3;
                rgb = p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16);
            } else {
                const std::uint8_t* p = row + std::size_t(x) * (bits / 8);
                const std::uint32_t texel = bits == 16 ? Read16({p, 2}, 0) : Read32({p, 4}, 0);
                rgb = channel[0].Read(texel) << 16 | channel[1].Read(texel) << 8 |
                      channel[2].Read(texel);
                if (!image.alpha.empty()) {
                    image.alpha[first + x] = std::uint8_t(channel[3].Read(texel));
                    anyAlpha = anyAlpha || image.alpha[first + x] != 0;
                }
            }
            image.pixels[first + x] = rgb;
        }
    }
    // A spare byte that is zero throughout is padding, not an image of nothing but holes.
    if (!fields && !anyAlpha) {
        image.alpha.clear();
    }
    return image;
}

}  // namespace platform
