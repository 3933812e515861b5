// Small image files built in memory for the decoder and texture tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace render::test {

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// An uncompressed TGA with rows from the top; `argb` holds width x height texels. 24-bit files
// drop the alpha.
inline std::vector<std::uint8_t> MakeTga(std::uint32_t width, std::uint32_t height,
                                         const std::vector<std::uint32_t>& argb, int bits = 32) {
    std::vector<std::uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(out, width);
    Put16(out, height);
    out.push_back(std::uint8_t(bits));
    out.push_back(std::uint8_t(0x20 | (bits == 32 ? 8 : 0)));
    for (std::uint32_t texel : argb) {
        out.push_back(std::uint8_t(texel));
        out.push_back(std::uint8_t(texel >> 8));
        out.push_back(std::uint8_t(texel >> 16));
        if (bits == 32) {
            out.push_back(std::uint8_t(texel >> 24));
        }
    }
    return out;
}

// Any TGA: the header fields as given, then the colour map and the pixel bytes.
struct TgaHeader {
    std::uint8_t type = 2;
    std::uint8_t bits = 32;
    std::uint8_t descriptor = 0x28;
    std::uint32_t width = 1, height = 1;
    std::uint32_t mapFirst = 0, mapLength = 0;
    std::uint8_t mapBits = 0;
    std::uint8_t idLength = 0;
};

inline std::vector<std::uint8_t> MakeTgaFile(const TgaHeader& h,
                                             const std::vector<std::uint8_t>& map,
                                             const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> out = {h.idLength, std::uint8_t(h.mapLength ? 1 : 0), h.type};
    Put16(out, h.mapFirst);
    Put16(out, h.mapLength);
    out.push_back(h.mapBits);
    Put32(out, 0);
    Put16(out, h.width);
    Put16(out, h.height);
    out.push_back(h.bits);
    out.push_back(h.descriptor);
    out.insert(out.end(), h.idLength, 'i');
    out.insert(out.end(), map.begin(), map.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// A BMP with a 40-byte header (or `infoSize` bytes, the masks inside it), the palette or the
// three bit-field masks after it, and `rows` (each padded to 4 bytes by the caller) as stored.
inline std::vector<std::uint8_t> MakeBmp(std::int32_t width, std::int32_t height, int bits,
                                         std::uint32_t compression,
                                         const std::vector<std::uint32_t>& paletteOrMasks,
                                         const std::vector<std::uint8_t>& rows,
                                         std::uint32_t infoSize = 40) {
    std::vector<std::uint8_t> out = {'B', 'M'};
    const bool masksInside = infoSize > 40 && compression == 3;
    const std::size_t extra = masksInside ? 0 : paletteOrMasks.size() * 4;
    const std::size_t offset = 14 + infoSize + extra;
    Put32(out, std::uint32_t(offset + rows.size()));
    Put32(out, 0);
    Put32(out, std::uint32_t(offset));
    Put32(out, infoSize);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(height));
    Put16(out, 1);
    Put16(out, std::uint32_t(bits));
    Put32(out, compression);
    Put32(out, std::uint32_t(rows.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, bits <= 8 ? std::uint32_t(paletteOrMasks.size()) : 0);
    Put32(out, 0);
    for (std::uint32_t v : paletteOrMasks) {
        Put32(out, v);
    }
    while (out.size() < offset) {
        out.push_back(0);
    }
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

struct DdsLayout {
    std::uint32_t flags;  // DDPF_*
    std::uint32_t fourcc;
    std::uint32_t bits, r, g, b, a;
};

// A DDS header for a width x height surface with the given pixel layout, followed by `data`.
inline std::vector<std::uint8_t> MakeDds(std::uint32_t width, std::uint32_t height,
                                         const DdsLayout& layout,
                                         const std::vector<std::uint8_t>& data,
                                         std::uint32_t caps2 = 0, std::uint32_t mips = 1) {
    std::vector<std::uint8_t> out = {'D', 'D', 'S', ' '};
    Put32(out, 124);
    Put32(out, 0x1007);
    Put32(out, height);
    Put32(out, width);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, mips);
    for (int i = 0; i < 11; ++i)
        Put32(out, 0);
    Put32(out, 32);
    Put32(out, layout.flags);
    Put32(out, layout.fourcc);
    Put32(out, layout.bits);
    Put32(out, layout.r);
    Put32(out, layout.g);
    Put32(out, layout.b);
    Put32(out, layout.a);
    Put32(out, 0x1000);
    Put32(out, caps2);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace render::test
