#include <gtest/gtest.h>

#include "render/textures/image/image_decoder.h"
#include "render/textures/image/png_writer.h"

namespace {

TEST(PngWriter, PicturesReadBackAsWritten) {
    for (auto [width, height] : {std::pair{1u, 1u}, {7u, 3u}, {64u, 65u}}) {
        std::vector<std::uint32_t> argb(std::size_t(width) * height);
        for (std::size_t i = 0; i < argb.size(); ++i) {
            argb[i] = 0x12000000u | std::uint32_t(i * 2654435761u & 0xFFFFFF);
        }
        const std::vector<std::uint8_t> png = render::EncodePng(argb, width, height);
        render::Image image;
        render::ImageInfo info;
        ASSERT_TRUE(render::DecodeImage(png, image, info)) << width << "x" << height;
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        for (std::size_t i = 0; i < argb.size(); ++i) {
            // The alpha is dropped: the picture is opaque.
            ASSERT_EQ(image.pixels[i], argb[i] | 0xFF000000u) << i;
        }
    }
    EXPECT_TRUE(render::EncodePng({}, 0, 0).empty());
    EXPECT_TRUE(render::EncodePng({1, 2}, 2, 2).empty()) << "fewer pixels than the size";
}

}  // namespace
