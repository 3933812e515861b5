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

struct DdsLayout {
    std::uint32_t flags;  // DDPF_*
    std::uint32_t fourcc;
    std::uint32_t bits, r, g, b, a;
};

// A DDS header for a width x height surface with the given pixel layout, followed by `data`.
inline std::vector<std::uint8_t> MakeDds(std::uint32_t width, std::uint32_t height,
                                         const DdsLayout& layout,
                                         const std::vector<std::uint8_t>& data,
                                         std::uint32_t caps2 = 0) {
    std::vector<std::uint8_t> out = {'D', 'D', 'S', ' '};
    Put32(out, 124);
    Put32(out, 0x1007);
    Put32(out, height);
    Put32(out, width);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 1);
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
