#include "render/image/image_decoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/gfx/d3d_types.h"
#include "render/image/image_filter.h"
#include "test_images.h"

namespace {

using namespace gfx;
using render::Image;
using render::ImageInfo;
using render::test::DdsLayout;
using render::test::MakeDds;
using render::test::MakeTga;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;

TEST(ImageDecoderTest, ShippedCornerImageIsOneTransparentWhitePixel) {
    const auto bytes = ReadFile(std::string(ZORVANE_SOURCE_DIR) + "/resources/corner_top_left.tga");
    ASSERT_EQ(bytes.size(), 48u) << "a 1 x 1 TGA with the 2.0 footer";
    Image image;
    ImageInfo info;
    ASSERT_TRUE(render::DecodeImage(bytes, image, info));
    EXPECT_EQ(image.width, 1u);
    EXPECT_EQ(image.height, 1u);
    EXPECT_EQ(image.pixels[0], 0x00FFFFFFu);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, render::D3DXIFF_TGA);
}

TEST(ImageDecoderTest, FilesDecodedThroughStb) {
    struct Case {
        const char* path;
        std::uint32_t width, height, format, fileFormat;
    };
    const Case cases[] = {
        {"/resources/loading.jpg", 640, 480, D3DFMT_X8R8G8B8, render::D3DXIFF_JPG},
        {"/tests/render/data/rgba.png", 4, 2, D3DFMT_A8R8G8B8, render::D3DXIFF_PNG},
        {"/tests/render/data/solid.gif", 8, 8, D3DFMT_A8R8G8B8, render::ImageFileGif},
        {"/resources/preview.bmp", 0, 0, D3DFMT_X8R8G8B8, render::D3DXIFF_BMP},
    };
    for (const Case& c : cases) {
        const auto bytes = ReadFile(std::string(ZORVANE_SOURCE_DIR) + c.path);
        if (bytes.empty()) {
            continue;
        }
        Image image;
        ImageInfo info;
        ASSERT_TRUE(render::DecodeImage(bytes, image, info)) << c.path;
        if (c.width) {
            EXPECT_EQ(image.width, c.width) << c.path;
            EXPECT_EQ(image.height, c.height) << c.path;
        }
        EXPECT_EQ(info.Width, image.width) << c.path;
        EXPECT_EQ(info.Format, c.format) << c.path;
        EXPECT_EQ(info.ImageFileFormat, c.fileFormat) << c.path;
    }

    const auto png = ReadFile(std::string(ZORVANE_SOURCE_DIR) + "/tests/render/data/rgba.png");
    Image image;
    ImageInfo info;
    ASSERT_TRUE(render::DecodeImage(png, image, info));
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(1, 0) & 0x00FFFFFFu, 0x0000FF00u);
    EXPECT_NEAR(double(image.at(1, 0) >> 24), 128.0, 1.0);
    EXPECT_EQ(image.at(2, 1), 0xFF0000FFu);
    EXPECT_EQ(image.at(3, 1) >> 24, 0u);
}

TEST(ImageDecoderTest, TgaRowsComeFromTheTop) {
    const std::vector<std::uint32_t> texels = {0xFF102030, 0x80405060, 0x00708090, 0xFFA0B0C0};
    Image image;
    ImageInfo info;
    ASSERT_TRUE(render::DecodeImage(MakeTga(2, 2, texels), image, info));
    EXPECT_EQ(image.pixels, texels);
    ASSERT_TRUE(render::DecodeImage(MakeTga(2, 2, texels, 24), image, info));
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(image.at(1, 0), 0xFF405060u);
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

    EXPECT_EQ(render::FullMipCount(256, 64), 9u);
    EXPECT_EQ(render::FullMipCount(1, 1), 1u);
    EXPECT_EQ(render::NextPowerOfTwo(640), 1024u);
    EXPECT_EQ(render::NextPowerOfTwo(512), 512u);
}

}  // namespace
