// The user's picture fills the painting's frame and keeps its shape.
#include "clock/picture_crop.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using clockscene::CentreCrop;
using render::UVRect;

void ExpectRect(const UVRect& got, UVRect want) {
    EXPECT_NEAR(got.u0, want.u0, 1e-6f);
    EXPECT_NEAR(got.v0, want.v0, 1e-6f);
    EXPECT_NEAR(got.u1, want.u1, 1e-6f);
    EXPECT_NEAR(got.v1, want.v1, 1e-6f);
}

TEST(PictureCrop, AWideOrTallPictureLosesEqualStripsOnTwoSides) {
    // 2:1 into 4:3: two thirds of the width stay, centred.
    ExpectRect(CentreCrop(1600, 800, 80, 60), {1.0f / 6, 0, 5.0f / 6, 1});
    // 1:2 into 4:3: three eighths of the height stay.
    ExpectRect(CentreCrop(600, 1200, 80, 60), {0, 0.3125f, 1, 0.6875f});
    // A portrait frame takes the middle of a landscape picture.
    ExpectRect(CentreCrop(400, 300, 30, 40), {0.21875f, 0, 0.78125f, 1});
}

TEST(PictureCrop, APictureOfTheFramesShapeOrWithoutASizeIsShownWhole) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const UVRect& whole :
         {CentreCrop(800, 600, 80, 60), CentreCrop(0, 600, 80, 60), CentreCrop(800, 0, 80, 60),
          CentreCrop(800, 600, 0, 60), CentreCrop(800, 600, 80, -1), CentreCrop(800, 600, nan, 60),
          CentreCrop(800, 600, 80, inf)}) {
        ExpectRect(whole, {});
    }
    // Extreme shapes stay inside the picture, around its middle.
    const UVRect sliver = CentreCrop(1, 65535, 1e6f, 1e-3f);
    EXPECT_LE(sliver.v0, 0.5f);
    EXPECT_GE(sliver.v1, 0.5f);
    EXPECT_GE(sliver.v0, 0.0f);
    EXPECT_LE(sliver.v1, 1.0f);
}

}  // namespace
