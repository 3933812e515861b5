// Truevision TGA: true-colour, colour-mapped and greyscale images, uncompressed or run-length
// encoded, with the origin in any corner.
#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_formats.h"

namespace render {
namespace {

constexpr std::size_t kHeaderBytes = 18;

enum : std::uint8_t {
    kColourMapped = 1,
    kTrueColour = 2,
    kGreyscale = 3,
    kRunLength = 8,  // added to the three kinds above
};

std::uint32_t Read16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

// How the texels (or colour-map entries) of one bit depth widen to ARGB.
struct TexelLayout {
    std::uint32_t bits = 0;
    bool grey = false;
    bool alpha = false;  // whether a 16-bit texel's top bit is its alpha

    std::uint32_t Bytes() const { return (bits + 7) / 8; }

    std::uint32_t Argb(const std::uint8_t* p) const {
        if (grey) {
            const std::uint32_t a = bits == 16 ? p[1] : 0xFF;
            return a << 24 | std::uint32_t(p[0]) * 0x010101u;
        }
        switch (bits) {
            case 15:
            case 16: {
                const std::uint32_t v = Read16(p);
                auto widen = [](std::uint32_t c) { return (c * 255 + 15) / 31; };
                const std::uint32_t a = alpha && !(v & 0x8000) ? 0 : 0xFF;
                return a << 24 | widen(v >> 10 & 31) << 16 | widen(v >> 5 & 31) << 8 |
                       widen(v & 31);
            }
            case 24:
                return 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
            default:
                return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 |
                       std::uint32_t(p[1]) << 8 | p[0];
        }
    }
};

// Reads texels one after another, plain or from run-length packets; stops at the end of the
// data instead of reading past it.
class TexelStream {
public:
    TexelStream(std::span<const std::uint8_t> data, std::uint32_t texelBytes, bool runLength)
        : data_(data), bytes_(texelBytes), runLength_(runLength) {}

    // The next stored texel, or null when the data has run out.
    const std::uint8_t* Next() {
        if (!runLength_) {
            return Take();
        }
        if (left_ == 0) {
            if (at_ >= data_.size()) {
                return nullptr;
            }
            const std::uint8_t packet = data_[at_++];
            left_ = (packet & 0x7F) + 1u;
            repeat_ = packet & 0x80;
            if (repeat_ && !(current_ = Take())) {
                return nullptr;
            }
        }
        --left_;
        return repeat_ ? current_ : Take();
    }

private:
    const std::uint8_t* Take() {
        if (data_.size() - at_ < bytes_) {
            return nullptr;
        }
        const std::uint8_t* texel = data_.data() + at_;
        at_ += bytes_;
        return texel;
    }

    std::span<const std::uint8_t> data_;
    std::uint32_t bytes_;
    bool runLength_;
    std::size_t at_ = 0;
    std::uint32_t left_ = 0;
    bool repeat_ = false;
    const std::uint8_t* current_ = nullptr;
};

}  // namespace

bool DecodeTga(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    if (bytes.size() < kHeaderBytes) {
        return false;
    }
    const std::uint8_t* h = bytes.data();
    const std::uint32_t idLength = h[0], mapType = h[1], type = h[2];
    const std::uint32_t mapFirst = Read16(h + 3), mapLength = Read16(h + 5), mapBits = h[7];
    const std::uint32_t width = Read16(h + 12), height = Read16(h + 14), bits = h[16];
    const std::uint32_t descriptor = h[17];
    const std::uint32_t kind = type & ~std::uint32_t(kRunLength);
    const bool runLength = type & kRunLength;
    const bool attributeBits = (descriptor & 15) != 0;

    if (mapType > 1 || (kind != kColourMapped && kind != kTrueColour && kind != kGreyscale) ||
        !ImageSizeAcceptable(width, height)) {
        return false;
    }
    // Only 16-bit texels keep a stored alpha bit, and only when the header counts one.
    const TexelLayout texel{bits, kind == kGreyscale, bits == 16 && attributeBits};
    const TexelLayout entry{mapBits, false, mapBits == 16 && attributeBits};
    bool alpha = false;
    switch (kind) {
        case kColourMapped:
            if (mapType != 1 || bits != 8 || mapLength == 0 ||
                (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)) {
                return false;
            }
            alpha = mapBits == 32 || (mapBits == 16 && attributeBits);
            break;
        case kTrueColour:
            if (bits != 15 && bits != 16 && bits != 24 && bits != 32) {
                return false;
            }
            alpha = bits == 32 || (bits == 16 && attributeBits);
            break;
        default:
            if (bits != 8 && bits != 16) {
                return false;
            }
            alpha = bits == 16;
            break;
    }

    // Everything before the pixels, then the least the pixels can take: every texel stored, or
    // for run-length data one packet of at most 128 texels for each 128. Checked before the
    // picture is allocated.
    const std::uint64_t mapBytes = mapType == 1 ? std::uint64_t(mapLength) * entry.Bytes() : 0;
    const std::uint64_t pixelsAt = kHeaderBytes + idLength + mapBytes;
    const std::uint64_t count = std::uint64_t(width) * height;
    const std::uint64_t least =
        runLength ? (count + 127) / 128 * (1 + texel.Bytes()) : count * texel.Bytes();
    if (pixelsAt > bytes.size() || least > bytes.size() - pixelsAt) {
        return false;
    }

    std::vector<std::uint32_t> palette;
    if (kind == kColourMapped) {
        // Indices count from the map's first entry; those outside it read as opaque black.
        palette.assign(256, 0xFF000000u);
        const std::uint8_t* p = bytes.data() + kHeaderBytes + idLength;
        for (std::uint32_t i = 0; i < mapLength; ++i, p += entry.Bytes()) {
            if (mapFirst + i < 256) {
                palette[mapFirst + i] = entry.Argb(p);
            }
        }
    }

    image.width = width;
    image.height = height;
    image.pixels.resize(count);
    TexelStream stream(bytes.subspan(pixelsAt), texel.Bytes(), runLength);
    const bool rightToLeft = descriptor & 0x10, topDown = descriptor & 0x20;
    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint32_t y = topDown ? row : height - 1 - row;
        for (std::uint32_t column = 0; column < width; ++column) {
            const std::uint8_t* stored = stream.Next();
            if (!stored) {
                return false;
            }
            const std::uint32_t x = rightToLeft ? width - 1 - column : column;
            image.at(x, y) = kind == kColourMapped ? palette[stored[0]] : texel.Argb(stored);
        }
    }

    info.Width = width;
    info.Height = height;
    info.Format = alpha ? gfx::D3DFMT_A8R8G8B8 : gfx::D3DFMT_X8R8G8B8;
    info.ImageFileFormat = D3DXIFF_TGA;
    return true;
}

}  // namespace render
