#include "render/textures/image/image_decoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>

#include <zlib.h>

#include "image_encoders.h"
#include "platform/gfx/d3d_types.h"
#include "render/textures/image/image_filter.h"
#include "test_images.h"

// The largest single allocation made through operator new while `trackAllocations` is set, so
// that a test can see a decoder allocating for a picture its data cannot fill.
namespace {
std::atomic<bool> trackAllocations{false};
std::atomic<std::size_t> largestAllocation{0};
}  // namespace

// New and delete are a malloc and free pair here; GCC cannot see that through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (trackAllocations && size > largestAllocation) {
        largestAllocation = size;
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

using namespace gfx;
using render::Image;
using render::ImageInfo;
using render::test::DdsLayout;
using render::test::JpegKind;
using render::test::MakeBmp;
using render::test::MakeDds;
using render::test::MakeTgaFile;
using render::test::Picture;
using render::test::PngKind;
using render::test::TgaHeader;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;

// 5 x 3 texels: distinct colours and alphas, so that a swapped channel, a flipped axis or a
// lost alpha shows.
const Picture kPicture = {5,
                          3,
                          {0xFF102030, 0x80405060, 0x00000000, 0xFFFFFFFF, 0xFF00FF00,  //
                           0xFFFF0000, 0xFF0000FF, 0x40A0B0C0, 0xFF000000, 0xC0123456,  //
                           0xFF808080, 0xFFFFFF00, 0xFF00FFFF, 0x01FF00FF, 0xFF7F3F1F}};

Picture Opaque(Picture p) {
    for (std::uint32_t& c : p.argb) {
        c |= 0xFF000000u;
    }
    return p;
}

// The picture with the channels that a format keeps: `bits` a colour (scaled back to 8 bits,
// rounded) and alpha either 1 bit or none.
Picture Quantised(Picture p, int bits, bool alpha) {
    for (std::uint32_t& c : p.argb) {
        std::uint32_t out = alpha ? ((c >> 24) >= 128 ? 0xFF000000u : 0) : 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t max = (1u << bits) - 1;
            const std::uint32_t v = (c >> shift & 255) >> (8 - bits);
            out |= (v * 255 + max / 2) / max << shift;
        }
        c = out;
    }
    return p;
}

Picture Grey(Picture p, bool alpha) {
    for (std::uint32_t& c : p.argb) {
        const std::uint32_t g = c >> 8 & 255;
        c = (alpha ? c & 0xFF000000u : 0xFF000000u) | g * 0x010101u;
    }
    return p;
}

// Texels in the order a TGA or BMP stores them: rows from the bottom unless `topDown`.
template <typename Write>
std::vector<std::uint8_t> Rows(const Picture& p, bool topDown, std::size_t pad, Write write) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t row = 0; row < p.height; ++row) {
        const std::uint32_t y = topDown ? row : p.height - 1 - row;
        const std::size_t start = out.size();
        for (std::uint32_t x = 0; x < p.width; ++x) {
            write(out, p.argb[std::size_t(y) * p.width + x]);
        }
        while (pad && (out.size() - start) % pad) {
            out.push_back(0);
        }
    }
    return out;
}

void Bgr(std::vector<std::uint8_t>& out, std::uint32_t c) {
    out.insert(out.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
}
void Bgra(std::vector<std::uint8_t>& out, std::uint32_t c) {
    Bgr(out, c);
    out.push_back(std::uint8_t(c >> 24));
}
void Rgb555(std::vector<std::uint8_t>& out, std::uint32_t c) {
    const std::uint32_t v = ((c >> 24) >= 128 ? 0x8000 : 0) | (c >> 19 & 31) << 10 |
                            (c >> 11 & 31) << 5 | (c >> 3 & 31);
    render::test::Put16(out, v);
}

// Run-length packets as an encoder writes them: runs of equal texels, raw packets between, and
// packets that go on across row ends.
std::vector<std::uint8_t> RunLength(const Picture& p, int bytes, bool topDown) {
    std::vector<std::uint8_t> texels = Rows(p, topDown, 0, bytes == 4 ? Bgra : Bgr);
    std::vector<std::uint8_t> out;
    const std::size_t count = texels.size() / bytes;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::equal(texels.begin() + a * bytes, texels.begin() + (a + 1) * bytes,
                          texels.begin() + b * bytes);
    };
    for (std::size_t i = 0; i < count;) {
        std::size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run)) {
            ++run;
        }
        if (run > 1) {
            out.push_back(std::uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), texels.begin() + i * bytes, texels.begin() + (i + 1) * bytes);
        } else {
            std::size_t raw = 1;
            while (i + raw < count && raw < 128 && !same(i + raw - 1, i + raw)) {
                ++raw;
            }
            out.push_back(std::uint8_t(raw - 1));
            out.insert(out.end(), texels.begin() + i * bytes, texels.begin() + (i + raw) * bytes);
            run = raw;
        }
        i += run;
    }
    return out;
}

// The distinct colours of a picture, for palettes.
std::vector<std::uint32_t> Colours(const Picture& p) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t c : p.argb) {
        if (std::find(out.begin(), out.end(), c) == out.end()) {
            out.push_back(c);
        }
    }
    return out;
}

std::uint8_t IndexOf(const std::vector<std::uint32_t>& colours, std::uint32_t c) {
    return std::uint8_t(std::find(colours.begin(), colours.end(), c) - colours.begin());
}

// One file of each kind and layout with the picture it must decode to.
struct Sample {
    std::string name;
    std::vector<std::uint8_t> bytes;
    Picture expected;
    std::uint32_t format;
    std::uint32_t fileFormat;
    int tolerance = 0;     // per channel, for lossy files
    std::size_t tail = 0;  // bytes at the end the first picture does not need
};

std::vector<Sample> Samples() {
    std::vector<Sample> out;
    const Picture opaque = Opaque(kPicture);
    const Picture primaries = {3,
                               2,
                               {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,  //
                                0xFF000000, 0xFFFFFFFF, 0xFFFF00FF}};
    const std::uint32_t A8 = D3DFMT_A8R8G8B8, X8 = D3DFMT_X8R8G8B8;
    using namespace render;

    out.push_back({"jpeg", test::EncodeJpeg(opaque), opaque, X8, D3DXIFF_JPG, 8});
    out.push_back({"jpeg progressive", test::EncodeJpeg(opaque, JpegKind::Progressive), opaque, X8,
                   D3DXIFF_JPG, 8});
    out.push_back({"jpeg grey", test::EncodeJpeg(opaque, JpegKind::Grey), Grey(opaque, false), X8,
                   D3DXIFF_JPG, 2});
    out.push_back(
        {"jpeg cmyk", test::EncodeJpeg(opaque, JpegKind::Cmyk), opaque, X8, D3DXIFF_JPG, 8});

    out.push_back(
        {"png rgba", test::EncodePng(kPicture, PngKind::Rgba), kPicture, A8, D3DXIFF_PNG});
    out.push_back({"png rgb", test::EncodePng(opaque, PngKind::Rgb), opaque, X8, D3DXIFF_PNG});
    out.push_back({"png palette", test::EncodePng(kPicture, PngKind::PaletteWithTransparency),
                   kPicture, A8, D3DXIFF_PNG});
    out.push_back({"png grey 16", test::EncodePng(Grey(opaque, false), PngKind::Grey16),
                   Grey(opaque, false), X8, D3DXIFF_PNG});
    out.push_back({"png interlaced", test::EncodePng(kPicture, PngKind::Interlaced), kPicture, A8,
                   D3DXIFF_PNG});

    // GIF keeps only full transparency; the frame sits at (1, 1) on a 7 x 5 screen.
    Picture keyed = kPicture;
    for (std::uint32_t& c : keyed.argb) {
        c = (c >> 24) < 128 ? 0 : c | 0xFF000000u;
    }
    Picture onScreen{7, 5, std::vector<std::uint32_t>(35, 0)};
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 5; ++x) {
            onScreen.argb[(y + 1) * 7 + x + 1] = keyed.argb[y * 5 + x];
        }
    }
    out.push_back({"gif", test::EncodeGif(keyed, {5, 3}), keyed, A8, ImageFileGif, 0, 1});
    out.push_back(
        {"gif framed", test::EncodeGif(keyed, {7, 5, 1, 1}), onScreen, A8, ImageFileGif, 0, 1});
    out.push_back({"gif interlaced", test::EncodeGif(keyed, {5, 3, 0, 0, true}), keyed, A8,
                   ImageFileGif, 0, 1});
    const auto twoFrames = test::EncodeGif(keyed, {5, 3, 0, 0, false, true});
    out.push_back({"gif first of two frames", twoFrames, keyed, A8, ImageFileGif, 0,
                   twoFrames.size() - test::EncodeGif(keyed, {5, 3}).size() + 1});

    TgaHeader h{2, 32, 0x28, 5, 3};
    out.push_back({"tga 32 top-down", MakeTgaFile(h, {}, Rows(kPicture, true, 0, Bgra)), kPicture,
                   A8, D3DXIFF_TGA});
    h = {2, 24, 0x00, 5, 3, 0, 0, 0, 7};
    out.push_back({"tga 24 bottom-up with id", MakeTgaFile(h, {}, Rows(kPicture, false, 0, Bgr)),
                   opaque, X8, D3DXIFF_TGA});
    h = {2, 16, 0x21, 5, 3};
    out.push_back({"tga 16 with alpha bit", MakeTgaFile(h, {}, Rows(kPicture, true, 0, Rgb555)),
                   Quantised(kPicture, 5, true), A8, D3DXIFF_TGA});
    h = {2, 15, 0x20, 5, 3};
    out.push_back({"tga 15", MakeTgaFile(h, {}, Rows(kPicture, true, 0, Rgb555)),
                   Quantised(kPicture, 5, false), X8, D3DXIFF_TGA});
    Picture mirrored = kPicture;
    for (std::uint32_t y = 0; y < 3; ++y) {
        std::reverse(mirrored.argb.begin() + y * 5, mirrored.argb.begin() + y * 5 + 5);
    }
    h = {2, 32, 0x38, 5, 3};
    out.push_back({"tga right to left", MakeTgaFile(h, {}, Rows(mirrored, true, 0, Bgra)), kPicture,
                   A8, D3DXIFF_TGA});
    h = {10, 32, 0x28, 5, 3};
    out.push_back({"tga rle 32", MakeTgaFile(h, {}, RunLength(kPicture, 4, true)), kPicture, A8,
                   D3DXIFF_TGA});
    Picture runs{6, 4, std::vector<std::uint32_t>(24, 0xFF336699)};
    runs.argb[9] = 0xFF000000;
    runs.argb[10] = 0xFFFFFFFF;
    h = {10, 24, 0x00, 6, 4};
    out.push_back({"tga rle 24 runs across rows", MakeTgaFile(h, {}, RunLength(runs, 3, false)),
                   runs, X8, D3DXIFF_TGA});
    {
        const auto colours = Colours(opaque);
        std::vector<std::uint8_t> map;
        for (std::uint32_t c : colours) {
            Bgr(map, c);
        }
        std::vector<std::uint8_t> indices;
        for (std::uint32_t c : opaque.argb) {
            indices.push_back(std::uint8_t(IndexOf(colours, c) + 2));
        }
        h = {1, 8, 0x20, 5, 3, 2, std::uint32_t(colours.size()), 24};
        out.push_back({"tga colour-mapped", MakeTgaFile(h, map, indices), opaque, X8, D3DXIFF_TGA});
    }
    h = {3, 8, 0x20, 5, 3};
    out.push_back({"tga grey",
                   MakeTgaFile(h, {},
                               Rows(kPicture, true, 0,
                                    [](auto& o, std::uint32_t c) { o.push_back(c >> 8 & 255); })),
                   Grey(kPicture, false), X8, D3DXIFF_TGA});
    h = {3, 16, 0x28, 5, 3};
    out.push_back({"tga grey with alpha",
                   MakeTgaFile(h, {},
                               Rows(kPicture, true, 0,
                                    [](auto& o, std::uint32_t c) {
                                        o.push_back(c >> 8 & 255);
                                        o.push_back(c >> 24);
                                    })),
                   Grey(kPicture, true), A8, D3DXIFF_TGA});

    out.push_back({"bmp 24", MakeBmp(5, 3, 24, 0, {}, Rows(kPicture, false, 4, Bgr)), opaque, X8,
                   D3DXIFF_BMP});
    auto padded = [](auto& o, std::uint32_t c) {
        Bgr(o, c);
        o.push_back(0);
    };
    out.push_back({"bmp 32 top-down, spare byte zero",
                   MakeBmp(5, -3, 32, 0, {}, Rows(kPicture, true, 4, padded)), opaque, X8,
                   D3DXIFF_BMP});
    out.push_back({"bmp 32 spare byte used as alpha",
                   MakeBmp(5, 3, 32, 0, {}, Rows(kPicture, false, 4, Bgra)), kPicture, A8,
                   D3DXIFF_BMP});
    out.push_back({"bmp 32 bit fields with alpha mask",
                   MakeBmp(5, 3, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                           Rows(kPicture, false, 4, Bgra), 108),
                   kPicture, A8, D3DXIFF_BMP});
    out.push_back({"bmp 16 5-5-5", MakeBmp(5, 3, 16, 0, {}, Rows(kPicture, false, 4, Rgb555)),
                   Quantised(kPicture, 5, false), X8, D3DXIFF_BMP});
    out.push_back({"bmp 16 5-6-5 bit fields",
                   MakeBmp(3, 2, 16, 3, {0xF800, 0x7E0, 0x1F},
                           Rows(primaries, false, 4,
                                [](auto& o, std::uint32_t c) {
                                    render::test::Put16(o, (c >> 19 & 31) << 11 |
                                                               (c >> 10 & 63) << 5 | (c >> 3 & 31));
                                })),
                   primaries, X8, D3DXIFF_BMP});
    {
        const auto colours = Colours(opaque);
        std::vector<std::uint32_t> palette;
        for (std::uint32_t c : colours) {
            palette.push_back(c & 0xFFFFFF);
        }
        out.push_back(
            {"bmp 8 palette",
             MakeBmp(5, 3, 8, 0, palette,
                     Rows(opaque, false, 4,
                          [&](auto& o, std::uint32_t c) { o.push_back(IndexOf(colours, c)); })),
             opaque, X8, D3DXIFF_BMP});
        // Two texels a byte, the first in the high half.
        const auto nibbles = [&](const Picture& p, int bits) {
            std::vector<std::uint8_t> rows;
            for (std::uint32_t row = 0; row < p.height; ++row) {
                const std::uint32_t y = p.height - 1 - row;
                std::vector<std::uint8_t> line(((p.width * bits + 31) / 32) * 4, 0);
                for (std::uint32_t x = 0; x < p.width; ++x) {
                    const std::uint32_t bit = x * bits;
                    const auto c = p.argb[y * p.width + x];
                    line[bit / 8] |= std::uint8_t(IndexOf(colours, c) << (8 - bits - bit % 8));
                }
                rows.insert(rows.end(), line.begin(), line.end());
            }
            return rows;
        };
        out.push_back({"bmp 4 palette", MakeBmp(5, 3, 4, 0, palette, nibbles(opaque, 4)), opaque,
                       X8, D3DXIFF_BMP});
        Picture twoColour{9, 2, {}};
        for (int i = 0; i < 18; ++i) {
            twoColour.argb.push_back(i % 3 ? opaque.argb[0] : opaque.argb[1]);
        }
        out.push_back({"bmp 1 palette", MakeBmp(9, 2, 1, 0, palette, nibbles(twoColour, 1)),
                       twoColour, X8, D3DXIFF_BMP});
    }

    const DdsLayout argb{DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    out.push_back(
        {"dds", MakeDds(5, 3, argb, Rows(kPicture, true, 0, Bgra)), kPicture, A8, D3DXIFF_DDS});
    return out;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(int(a >> shift & 255) - int(b >> shift & 255)) > tolerance) {
            return false;
        }
    }
    return true;
}

TEST(ImageDecoderTest, EveryFormatAndLayoutGivesItsPixels) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        ASSERT_FALSE(s.bytes.empty());
        Image image;
        ImageInfo info;
        ASSERT_TRUE(render::DecodeImage(s.bytes, image, info));
        ASSERT_EQ(image.width, s.expected.width);
        ASSERT_EQ(image.height, s.expected.height);
        EXPECT_EQ(info.Width, s.expected.width);
        EXPECT_EQ(info.Height, s.expected.height);
        EXPECT_EQ(info.Format, s.format);
        EXPECT_EQ(info.ImageFileFormat, s.fileFormat);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            EXPECT_TRUE(Near(image.pixels[i], s.expected.argb[i], s.tolerance))
                << "texel " << i << ": " << std::hex << image.pixels[i] << " for "
                << s.expected.argb[i];
        }
    }
}

TEST(ImageDecoderTest, EveryTruncationIsRefused) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        for (std::size_t size = 0; size + s.tail < s.bytes.size(); ++size) {
            Image image;
            ImageInfo info;
            EXPECT_FALSE(render::DecodeImage(std::span(s.bytes.data(), size), image, info))
                << size << " of " << s.bytes.size() << " bytes";
            EXPECT_TRUE(image.pixels.empty());
            EXPECT_EQ(info.Width, 0u);
        }
    }
}

TEST(ImageDecoderTest, ShippedFilesDecode) {
    struct Case {
        const char* path;
        std::uint32_t width, height, format, fileFormat, firstTexel;
    };
    const Case cases[] = {
        {"/resources/corner_top_left.tga", 1, 1, D3DFMT_A8R8G8B8, render::D3DXIFF_TGA, 0x00FFFFFF},
        {"/resources/loading.jpg", 640, 480, D3DFMT_X8R8G8B8, render::D3DXIFF_JPG, 0},
        {"/tests/render/data/rgba.png", 4, 2, D3DFMT_A8R8G8B8, render::D3DXIFF_PNG, 0xFFFF0000},
        {"/tests/render/data/solid.gif", 8, 8, D3DFMT_A8R8G8B8, render::ImageFileGif, 0},
        {"/resources/preview.bmp", 0, 0, D3DFMT_X8R8G8B8, render::D3DXIFF_BMP, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto bytes = ReadFile(std::string(ZORVANE_SOURCE_DIR) + c.path);
        ASSERT_FALSE(bytes.empty());
        Image image;
        ImageInfo info;
        ASSERT_TRUE(render::DecodeImage(bytes, image, info));
        if (c.width) {
            EXPECT_EQ(image.width, c.width);
            EXPECT_EQ(image.height, c.height);
        }
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.ImageFileFormat, c.fileFormat);
        if (c.firstTexel) {
            EXPECT_EQ(image.pixels[0], c.firstTexel);
        }
    }
}

// Headers that claim more than their data holds, or tables that overflow: each fails quietly and
// nothing near the claimed size is allocated.
TEST(ImageDecoderTest, HostileFilesFailWithoutLargeAllocations) {
    using render::test::Put16;
    using render::test::Put32;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases;
    // Huffman code counts that add up to more than the 256 symbols a table holds, cut off after
    // three counts and complete.
    cases.push_back(
        {"jpeg dht counts, cut", {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x13, 0x00, 0xFF, 0xFF, 0xFF}});
    std::vector<std::uint8_t> dht = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x13, 0x00};
    dht.insert(dht.end(), 16, 0x11);
    dht.insert(dht.end(), {0xFF, 0xD9});
    cases.push_back({"jpeg dht counts", dht});
    // 990 bytes of an uncompressed 24-bit 6424 x 6425 TGA.
    std::vector<std::uint8_t> tga =
        MakeTgaFile({2, 24, 0x00, 6424, 6425}, {}, std::vector<std::uint8_t>(972, 0x7F));
    ASSERT_EQ(tga.size(), 990u);
    cases.push_back({"tga 6424 x 6425 in 990 bytes", tga});
    cases.push_back({"tga rle 65535 x 65535", MakeTgaFile({10, 32, 0x28, 65535, 65535}, {},
                                                          std::vector<std::uint8_t>(4096, 0xFF))});
    cases.push_back(
        {"tga rle 16384 x 1024 in 4 kB",
         MakeTgaFile({10, 32, 0x28, 16384, 1024}, {}, std::vector<std::uint8_t>(4096, 0xFF))});
    cases.push_back(
        {"bmp 16384 x 16384", MakeBmp(16384, 16384, 24, 0, {}, std::vector<std::uint8_t>(4096))});
    cases.push_back({"bmp 8192 x -8192 in 4 kB",
                     MakeBmp(8192, -8192, 1, 0, {0, 0xFFFFFF}, std::vector<std::uint8_t>(4096))});
    const DdsLayout argb{DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    cases.push_back({"dds 8192 x 8192 in 4 bytes", MakeDds(8192, 8192, argb, {1, 2, 3, 4})});
    cases.push_back({"dds dxt5 8192 x 8192 in 16 bytes",
                     MakeDds(8192, 8192, {DDPF_FOURCC, D3DFMT_DXT5, 0, 0, 0, 0, 0},
                             std::vector<std::uint8_t>(16))});
    // A PNG header of 20000 x 1, and a GIF screen of 16384 x 16384 (64 M texels over the limit).
    auto png = render::test::EncodePng({1, 1, {0xFF000000}}, PngKind::Rgb);
    png[16] = 0, png[17] = 0, png[18] = 0x4E, png[19] = 0x20;
    const std::uint32_t crc = std::uint32_t(crc32(0, png.data() + 12, 17));
    for (int i = 0; i < 4; ++i) {
        png[29 + i] = std::uint8_t(crc >> (24 - 8 * i));
    }
    cases.push_back({"png 20000 x 1", png});
    auto gif = render::test::EncodeGif({1, 1, {0xFF000000}}, {1, 1});
    gif[6] = 0, gif[7] = 0x40, gif[8] = 0, gif[9] = 0x40;
    cases.push_back({"gif screen 16384 x 16384", gif});
    std::vector<std::uint8_t> random(2000);
    for (std::size_t i = 0; i < random.size(); ++i) {
        random[i] = std::uint8_t(i * 2654435761u >> 13);
    }
    cases.push_back({"noise", random});
    cases.push_back(
        {"jpeg signature and noise", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'}});

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        Image image;
        ImageInfo info;
        largestAllocation = 0;
        trackAllocations = true;
        const bool decoded = render::DecodeImage(bytes, image, info);
        trackAllocations = false;
        EXPECT_FALSE(decoded);
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_LT(largestAllocation.load(), std::size_t(1) << 20);
    }
}

TEST(ImageDecoderTest, UncompressedDdsLayouts) {
    struct Case {
        const char* name;
        DdsLayout layout;
        std::vector<std::uint8_t> texel;
        std::uint32_t format;
        std::uint32_t argb;
    };
    const Case cases[] = {
        {"A8R8G8B8",
         {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
         {0x30, 0x20, 0x10, 0x80},
         D3DFMT_A8R8G8B8,
         0x80102030},
        {"X8R8G8B8",
         {DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0},
         {0x30, 0x20, 0x10, 0x00},
         D3DFMT_X8R8G8B8,
         0xFF102030},
        {"R5G6B5",
         {DDPF_RGB, 0, 16, 0xF800, 0x7E0, 0x1F, 0},
         {0x1F, 0xF8},  // red 31, blue 31
         D3DFMT_R5G6B5,
         0xFFFF00FF},
        {"A1R5G5B5",
         {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
         {0xE0, 0x03},
         D3DFMT_A1R5G5B5,
         0x0000FF00},
        {"A4R4G4B4",
         {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0xF00, 0xF0, 0xF, 0xF000},
         {0x5A, 0x8F},
         D3DFMT_A4R4G4B4,
         0x88FF55AA},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data;
        for (int i = 0; i < 4; ++i) {
            data.insert(data.end(), c.texel.begin(), c.texel.end());
        }
        Image image;
        ImageInfo info;
        ASSERT_TRUE(render::DecodeImage(MakeDds(2, 2, c.layout, data), image, info)) << c.name;
        EXPECT_EQ(info.Format, c.format) << c.name;
        EXPECT_EQ(info.ImageFileFormat, render::D3DXIFF_DDS) << c.name;
        EXPECT_EQ(image.pixels, std::vector<std::uint32_t>(4, c.argb)) << c.name;
        data.pop_back();
        EXPECT_FALSE(render::DecodeImage(MakeDds(2, 2, c.layout, data), image, info))
            << c.name << ": one byte short";
    }
}

TEST(ImageDecoderTest, DxtBlocks) {
    // Colours: c0 = pure red (0xF800), c1 = pure blue (0x001F); indices: texel 0 -> c0,
    // texel 1 -> c1, texel 2 -> 2/3 c0 + 1/3 c1 (or the midpoint / transparent in DXT1 mode 2),
    // the rest c0.
    const std::vector<std::uint8_t> colour = {0x00, 0xF8, 0x1F, 0x00, 0x24, 0x00, 0x00, 0x00};
    Image image;
    ImageInfo info;
    const DdsLayout dxt1{DDPF_FOURCC, D3DFMT_DXT1, 0, 0, 0, 0, 0};
    ASSERT_TRUE(render::DecodeImage(MakeDds(4, 4, dxt1, colour), image, info));
    EXPECT_EQ(info.Format, D3DFMT_DXT1);
    EXPECT_EQ(image.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(image.pixels[1], 0xFF0000FFu);
    EXPECT_EQ(image.pixels[2], 0xFFAA0055u);
    EXPECT_EQ(image.pixels[3], 0xFFFF0000u);

    // c0 <= c1 in DXT1: index 3 is transparent black.
    const std::vector<std::uint8_t> punch = {0x1F, 0x00, 0x00, 0xF8, 0x03, 0x00, 0x00, 0x00};
    ASSERT_TRUE(render::DecodeImage(MakeDds(4, 4, dxt1, punch), image, info));
    EXPECT_EQ(image.pixels[0], 0u);

    // DXT3: explicit 4-bit alpha, texel 0 gets 0x3 -> 0x33.
    std::vector<std::uint8_t> dxt3 = {0x03, 0, 0, 0, 0, 0, 0, 0};
    dxt3.insert(dxt3.end(), colour.begin(), colour.end());
    ASSERT_TRUE(render::DecodeImage(MakeDds(4, 4, {DDPF_FOURCC, D3DFMT_DXT3, 0, 0, 0, 0, 0}, dxt3),
                                    image, info));
    EXPECT_EQ(image.pixels[0], 0x33FF0000u);
    EXPECT_EQ(image.pixels[1] >> 24, 0u);

    // DXT5: alpha endpoints 255 and 0, texel 0 index 1 (0), texel 1 index 0 (255), texel 2
    // index 2 (6/7 * 255 = 218).
    std::vector<std::uint8_t> dxt5 = {255, 0, 0x81, 0x00, 0, 0, 0, 0};
    dxt5.insert(dxt5.end(), colour.begin(), colour.end());
    ASSERT_TRUE(render::DecodeImage(MakeDds(4, 4, {DDPF_FOURCC, D3DFMT_DXT5, 0, 0, 0, 0, 0}, dxt5),
                                    image, info));
    EXPECT_EQ(image.pixels[0] >> 24, 0u);
    EXPECT_EQ(image.pixels[1] >> 24, 255u);
    EXPECT_EQ(image.pixels[2] >> 24, 218u);

    // A 5 x 3 surface still needs whole blocks: 2 x 1 of them.
    EXPECT_FALSE(render::DecodeImage(MakeDds(5, 3, dxt1, colour), image, info));
    std::vector<std::uint8_t> two = colour;
    two.insert(two.end(), colour.begin(), colour.end());
    ASSERT_TRUE(render::DecodeImage(MakeDds(5, 3, dxt1, two), image, info));
    EXPECT_EQ(image.pixels.size(), 15u);
}

TEST(ImageDecoderTest, DamagedInputFailsQuietly) {
    const DdsLayout argb{DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    Image image;
    ImageInfo info;
    // A header that claims a huge surface must not allocate it.
    EXPECT_FALSE(render::DecodeImage(MakeDds(100000, 100000, argb, {}), image, info));
    EXPECT_FALSE(render::DecodeImage(MakeDds(16384, 16384, argb, {1, 2, 3, 4}), image, info));
    EXPECT_FALSE(render::DecodeImage(MakeDds(1, 1, argb, {1, 2, 3, 4}, 0x200), image, info))
        << "cube maps are not read";
    EXPECT_FALSE(render::DecodeImage(
        MakeDds(1, 1, {DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0}, {1, 2, 3}), image, info))
        << "24-bit layouts are not read";
    const std::vector<std::uint8_t> garbage = {'D', 'D', 'S', ' ', 1, 2, 3};
    EXPECT_FALSE(render::DecodeImage(garbage, image, info));
    EXPECT_FALSE(render::DecodeImage({}, image, info));
    const std::vector<std::uint8_t> noise = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'};
    EXPECT_FALSE(render::DecodeImage(noise, image, info));
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(info.Width, 0u);
}

TEST(ImageFilterTest, ColourKeyScalingAndMipLevels) {
    Image image;
    image.width = 2;
    image.height = 2;
    image.pixels = {0xFFFF00FF, 0xFF000000, 0xFFFFFFFF, 0x00FF00FF};
    render::ApplyColorKey(image, 0xFFFF00FF);
    EXPECT_EQ(image.pixels, (std::vector<std::uint32_t>{0, 0xFF000000, 0xFFFFFFFF, 0x00FF00FF}))
        << "only the exact ARGB value is keyed";

    image.pixels = {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF};
    const Image box = render::Resample(image, 1, 1, render::D3DX_FILTER_BOX);
    EXPECT_EQ(box.pixels[0], 0xFF808080u);
    const Image none = render::Resample(image, 4, 4, render::D3DX_FILTER_NONE);
    EXPECT_EQ(none.at(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(none.at(3, 3), 0u) << "outside the source is transparent black";
    const Image point = render::Resample(image, 4, 4, render::D3DX_FILTER_POINT);
    EXPECT_EQ(point.at(0, 1), 0xFF000000u);
    EXPECT_EQ(point.at(3, 2), 0xFFFFFFFFu);
    const Image mip = render::NextMipLevel(point, render::D3DX_FILTER_BOX);
    EXPECT_EQ(mip.width, 2u);
    EXPECT_EQ(mip.at(1, 0), 0xFF000000u);
    EXPECT_EQ(mip.at(1, 1), 0xFFFFFFFFu);

    // Halving rounds each channel's mean of four half up, every channel on its own: sums that
    // carry past a byte must not reach the next channel.
    Image noise;
    noise.width = 6;
    noise.height = 4;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 24; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.pixels.push_back(i < 4 ? 0xFFFFFFFFu : i < 8 ? 0x01010101u * (i & 1) * 2 : seed);
    }
    const Image half = render::NextMipLevel(noise, render::D3DX_FILTER_BOX);
    ASSERT_EQ(half.width, 3u);
    ASSERT_EQ(half.height, 2u);
    for (std::uint32_t y = 0; y < 2; ++y) {
        for (std::uint32_t x = 0; x < 3; ++x) {
            std::uint32_t expected = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                double sum = 0;
                for (std::uint32_t dy = 0; dy < 2; ++dy)
                    for (std::uint32_t dx = 0; dx < 2; ++dx)
                        sum += noise.at(2 * x + dx, 2 * y + dy) >> shift & 255;
                expected |= std::uint32_t(std::lround(sum / 4)) << shift;
            }
            EXPECT_EQ(half.at(x, y), expected) << x << ", " << y;
        }
    }
    EXPECT_EQ(half.at(0, 0), 0x80808080u) << "two white texels, one black, one of 2s: 512 / 4";

    EXPECT_EQ(render::FullMipCount(256, 64), 9u);
    EXPECT_EQ(render::FullMipCount(1, 1), 1u);
    EXPECT_EQ(render::NextPowerOfTwo(640), 1024u);
    EXPECT_EQ(render::NextPowerOfTwo(512), 512u);
}

}  // namespace
