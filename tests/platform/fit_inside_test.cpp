#include "platform/fit_inside.h"

#include <gtest/gtest.h>

namespace {

using platform::FitInside;
using platform::Rect;

TEST(FitInside, APictureKeepsItsShapeCentredWithBarsOnTheLongSides) {
    // 4:3 into 16:9: bars left and right.
    EXPECT_EQ(FitInside(800, 600, 1280, 720), (Rect{160, 0, 1120, 720}));
    // 4:3 into 1:1 and into a tall area: bars above and below.
    EXPECT_EQ(FitInside(640, 480, 500, 500), (Rect{0, 62, 500, 437}));
    EXPECT_EQ(FitInside(152, 112, 150, 330), (Rect{0, 109, 150, 220}));
    // Smaller and larger pictures alike are scaled to touch two sides.
    EXPECT_EQ(FitInside(16, 9, 3840, 2160), (Rect{0, 0, 3840, 2160}));
    EXPECT_EQ(FitInside(3840, 2160, 640, 400), (Rect{0, 20, 640, 380}));
}

TEST(FitInside, ShapesWithinAPixelOfEachOtherFillTheWholeArea) {
    // 1366 x 768 is not quite 16:9; a bar of one pixel would only show as a seam.
    EXPECT_EQ(FitInside(1920, 1080, 1366, 768), (Rect{0, 0, 1366, 768}));
    EXPECT_EQ(FitInside(152, 112, 400, 300), (Rect{0, 2, 400, 297}));
}

TEST(FitInside, NothingToFitOrNowhereToFitItGivesTheWholeArea) {
    EXPECT_EQ(FitInside(0, 480, 640, 480), (Rect{0, 0, 640, 480}));
    EXPECT_EQ(FitInside(640, -1, 640, 480), (Rect{0, 0, 640, 480}));
    EXPECT_EQ(FitInside(640, 480, 0, 0), (Rect{0, 0, 0, 0}));
    // Large sizes do not overflow.
    EXPECT_EQ(FitInside(2000000000, 1000000000, 2000000000, 2000000000),
              (Rect{0, 500000000, 2000000000, 1500000000}));
}

}  // namespace
