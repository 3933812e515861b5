#include "render/textures/image/dds_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/d3d_types.h"
#include "render/textures/image/pixel_format.h"

namespace render {
namespace {

constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
constexpr std::size_t kHeaderBytes = 4 + 124;

constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr std::uint32_t DDPF_FOURCC = 0x4;
constexpr std::uint32_t DDPF_RGB = 0x40;
constexpr std::uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr std::uint32_t DDSCAPS2_VOLUME = 0x200000;

constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
           std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

std::uint32_t Read32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

struct Masks {
    std::uint32_t bits, r, g, b, a;
    std::uint32_t format;
};

// The uncompressed layouts we read, told apart by bit count and channel masks.
constexpr Masks kLayouts[] = {
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, gfx::D3DFMT_A8R8G8B8},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, gfx::D3DFMT_X8R8G8B8},
    {16, 0xF800, 0x7E0, 0x1F, 0, gfx::D3DFMT_R5G6B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0x8000, gfx::D3DFMT_A1R5G5B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0, gfx::D3DFMT_X1R5G5B5},
    {16, 0xF00, 0xF0, 0xF, 0xF000, gfx::D3DFMT_A4R4G4B4},
    {16, 0xF00, 0xF0, 0xF, 0, gfx::D3DFMT_X4R4G4B4},
};

std::uint32_t Rgb565(std::uint32_t v) {
    const std::uint32_t r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
    return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

std::uint32_t Mix(std::uint32_t c0, std::uint32_t c1, std::uint32_t w0, std::uint32_t w1) {
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t a = c0 >> shift & 255, b = c1 >> shift & 255;
        out |= ((a * w0 + b * w1) / (w0 + w1)) << shift;
    }
    return out;
}

// The four colours of a DXT colour block; in DXT1 a block with c0 <= c1 has three colours and
// transparent black.
void BlockColours(const std::uint8_t* block, bool dxt1, std::uint32_t colours[4]) {
    const std::uint32_t v0 = block[0] | block[1] << 8, v1 = block[2] | block[3] << 8;
    colours[0] = Rgb565(v0);
    colours[1] = Rgb565(v1);
    if (!dxt1 || v0 > v1) {
        colours[2] = Mix(colours[0], colours[1], 2, 1);
        colours[3] = Mix(colours[0], colours[1], 1, 2);
    } else {
        colours[2] = Mix(colours[0], colours[1], 1, 1);
        colours[3] = 0;
    }
}

void DecodeBlock(std::uint32_t fourcc, const std::uint8_t* block, std::uint32_t out[16]) {
    const bool dxt1 = fourcc == FourCC('D', 'X', 'T', '1');
    const std::uint8_t* colourBlock = dxt1 ? block : block + 8;
    std::uint32_t colours[4];
    BlockColours(colourBlock, dxt1, colours);
    const std::uint32_t indices = Read32(colourBlock + 4);
    for (int i = 0; i < 16; ++i) {
        out[i] = colours[indices >> (2 * i) & 3];
    }
    if (dxt1) {
        return;
    }
    if (fourcc == FourCC('D', 'X', 'T', '3')) {
        for (int i = 0; i < 16; ++i) {
            const std::uint32_t a = block[i / 2] >> (4 * (i & 1)) & 15;
            out[i] = (out[i] & 0xFFFFFF) | (a * 17) << 24;
        }
        return;
    }
    std::uint32_t alphas[8];
    alphas[0] = block[0];
    alphas[1] = block[1];
    if (alphas[0] > alphas[1]) {
        for (int i = 1; i < 7; ++i) {
            alphas[i + 1] = ((7 - i) * alphas[0] + i * alphas[1]) / 7;
        }
    } else {
        for (int i = 1; i < 5; ++i) {
            alphas[i + 1] = ((5 - i) * alphas[0] + i * alphas[1]) / 5;
        }
        alphas[6] = 0;
        alphas[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= std::uint64_t(block[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        out[i] = (out[i] & 0xFFFFFF) | alphas[bits >> (3 * i) & 7] << 24;
    }
}

// Bytes the top level of a width x height surface takes.
std::uint64_t LevelBytes(std::uint32_t format, bool compressed, std::uint32_t width,
                         std::uint32_t height) {
    if (compressed) {
        const std::uint32_t blockBytes = format == FourCC('D', 'X', 'T', '1') ? 8 : 16;
        return std::uint64_t((width + 3) / 4) * ((height + 3) / 4) * blockBytes;
    }
    return std::uint64_t(width) * TexelBytes(format) * height;
}

void ReadBlocks(std::uint32_t fourcc, std::span<const std::uint8_t> data, Image& image) {
    const std::uint32_t blockBytes = fourcc == FourCC('D', 'X', 'T', '1') ? 8 : 16;
    const std::uint32_t across = (image.width + 3) / 4, down = (image.height + 3) / 4;
    const std::uint8_t* block = data.data();
    std::uint32_t texels[16];
    for (std::uint32_t by = 0; by < down; ++by) {
        for (std::uint32_t bx = 0; bx < across; ++bx, block += blockBytes) {
            DecodeBlock(fourcc, block, texels);
            for (std::uint32_t i = 0; i < 16; ++i) {
                const std::uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x < image.width && y < image.height) {
                    image.at(x, y) = texels[i];
                }
            }
        }
    }
}

void ReadTexels(std::uint32_t format, std::span<const std::uint8_t> data, Image& image) {
    const std::uint32_t bytes = TexelBytes(format);
    const std::size_t row = std::size_t(image.width) * bytes;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* p = data.data() + row * y;
        for (std::uint32_t x = 0; x < image.width; ++x, p += bytes) {
            image.at(x, y) = UnpackTexel(format, p);
        }
    }
}

// What the header says, once it is known to describe a plain 2D surface we can read.
struct Surface {
    std::uint32_t width = 0, height = 0, mips = 0;
    std::uint32_t format = 0;  // the D3DFORMAT; a DXT format is its FourCC
    bool compressed = false;
};

bool ReadHeader(std::span<const std::uint8_t> bytes, Surface& surface) {
    if (!IsDdsFile(bytes) || bytes.size() < kHeaderBytes) {
        return false;
    }
    const std::uint8_t* header = bytes.data() + 4;
    surface.height = Read32(header + 8);
    surface.width = Read32(header + 12);
    surface.mips = Read32(header + 24);
    const std::uint8_t* pf = header + 72;
    const std::uint32_t pfFlags = Read32(pf + 4), fourcc = Read32(pf + 8);
    const std::uint32_t caps2 = Read32(header + 108);
    if (Read32(header) != 124 || !ImageSizeAcceptable(surface.width, surface.height) ||
        (caps2 & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME))) {
        return false;
    }

    std::uint32_t format = 0;
    bool compressed = false;
    if (pfFlags & DDPF_FOURCC) {
        if (fourcc == FourCC('D', 'X', 'T', '1') || fourcc == FourCC('D', 'X', 'T', '3') ||
            fourcc == FourCC('D', 'X', 'T', '5')) {
            format = fourcc;
            compressed = true;
        }
    } else if (pfFlags & DDPF_RGB) {
        const std::uint32_t bits = Read32(pf + 12), r = Read32(pf + 16), g = Read32(pf + 20),
                            b = Read32(pf + 24);
        const std::uint32_t a = (pfFlags & DDPF_ALPHAPIXELS) ? Read32(pf + 28) : 0;
        for (const Masks& layout : kLayouts) {
            if (layout.bits == bits && layout.r == r && layout.g == g && layout.b == b &&
                layout.a == a) {
                format = layout.format;
                break;
            }
        }
    }
    surface.format = format;
    surface.compressed = compressed;
    return format != 0;
}

}  // namespace

bool IsDdsFile(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && Read32(bytes.data()) == kMagic;
}

bool ReadDds(std::span<const std::uint8_t> bytes, Image& image, ImageInfo& info) {
    Surface surface;
    if (!ReadHeader(bytes, surface)) {
        return false;
    }
    const std::uint32_t width = surface.width, height = surface.height, format = surface.format;
    const bool compressed = surface.compressed;

    // Checked before the picture is allocated: the whole top level must be in the file.
    const auto data = bytes.subspan(kHeaderBytes);
    if (data.size() < LevelBytes(format, compressed, width, height)) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(std::size_t(width) * height, 0);
    if (compressed) {
        ReadBlocks(format, data, image);
    } else {
        ReadTexels(format, data, image);
    }
    info = ImageInfo{};
    info.Width = width;
    info.Height = height;
    info.MipLevels = surface.mips == 0 ? 1 : surface.mips;
    info.Format = format;
    info.ImageFileFormat = D3DXIFF_DDS;
    return true;
}

std::vector<std::span<const std::uint8_t>> Dxt1Levels(std::span<const std::uint8_t> bytes) {
    std::vector<std::span<const std::uint8_t>> levels;
    Surface surface;
    if (!ReadHeader(bytes, surface) || surface.format != FourCC('D', 'X', 'T', '1')) {
        return levels;
    }
    auto data = bytes.subspan(kHeaderBytes);
    std::uint32_t width = surface.width, height = surface.height;
    for (std::uint32_t i = 0; i < std::max(surface.mips, 1u); ++i) {
        const std::uint64_t size = LevelBytes(surface.format, true, width, height);
        if (data.size() < size) {
            break;
        }
        levels.push_back(data.first(std::size_t(size)));
        data = data.subspan(std::size_t(size));
        if (width == 1 && height == 1) {
            break;
        }
        width = std::max(width / 2, 1u);
        height = std::max(height / 2, 1u);
    }
    return levels;
}

}  // namespace render
