// The clock room through zorvane-shot at fixed times: where the hands and the pendulum show on
// the picture, and the whole picture against tests/golden.
#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <cstdlib>

#include "../render/golden_pictures.h"
#include "clock_test_room.h"

namespace {

namespace fs = std::filesystem;
using namespace clockscene::test;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// Seen from 248 units in front of the dial with a field of view of 1 radian, one unit of the
// dial is 0.8856 pixels; the dial's centre is the picture's centre.
constexpr float kPixelsPerUnit = 120.0f / (248.0f * 0.5463f);

bool Near(std::uint32_t pixel, std::uint32_t colour) {
    for (int shift : {16, 8, 0}) {
        if (std::abs(int((pixel >> shift) & 0xFF) - int((colour >> shift) & 0xFF)) > 40) {
            return false;
        }
    }
    return true;
}

class ClockShotTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        folder =
            fs::path(::testing::TempDir()) /
            ("zorvane_clock_shot_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(folder);
        scene = WriteClockRoom(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // The room at local time `clock` and `seconds` after loading; false when skipped.
    bool Shoot(const std::string& name, const std::string& clock, float seconds,
               render::Image& image) {
        return ShootScene(name, scene,
                          "--size 320x240 --clock-time " + clock + " --time " +
                              std::to_string(seconds) +
                              " --eye 0,250,0 --dir 0,-1,0 --up 0,0,1 --fov 1 --far 2000"
                              " --ambient FFFFFF",
                          image);
    }

    // Any scene file through the tool with `arguments`, compared with its golden picture; false
    // when skipped.
    bool ShootScene(const std::string& name, const fs::path& file, const std::string& arguments,
                    render::Image& image) {
        const int code = render::test::ShootPicture(file, folder / (name + ".png"), arguments, image);
        if (code == 1 && !std::getenv("DISPLAY")) {
            return false;
        }
        EXPECT_EQ(code, 0) << arguments;
        render::test::ExpectMatchesGolden(name, image.pixels, image.width, image.height);
        return true;
    }

    // The pixel `units` from the dial's centre towards `hours` o'clock.
    static std::uint32_t OnDial(const render::Image& image, float hours, float units) {
        const float angle = hours / 12.0f * 2.0f * 3.1415927f;
        const int x = int(std::lround(kWidth / 2.0f + std::sin(angle) * units * kPixelsPerUnit));
        const int y = int(std::lround(kHeight / 2.0f - std::cos(angle) * units * kPixelsPerUnit));
        return image.pixels[std::size_t(y) * kWidth + std::size_t(x)];
    }

    fs::path folder;
    fs::path scene;
};

TEST_F(ClockShotTest, AtThreeTheHourHandPointsToThreeAndTheMinuteHandToTwelve) {
    render::Image image;
    if (!Shoot("clock_room_0300", "03:00:00", 0.0f, image)) {
        GTEST_SKIP() << "no display";
    }
    EXPECT_TRUE(Near(OnDial(image, 3, 20), kHourColour));
    EXPECT_TRUE(Near(OnDial(image, 0, 35), kMinuteColour));
    // Above the pendulum's rod, 6 o'clock is bare, as is 9 o'clock.
    EXPECT_TRUE(Near(OnDial(image, 6, 10), kCaseColour));
    EXPECT_TRUE(Near(OnDial(image, 9, 20), kCaseColour));
}

TEST_F(ClockShotTest, AtHalfPastTwelveTheHourHandStandsHalfwayToOne) {
    render::Image image;
    if (!Shoot("clock_room_1230", "12:30:00", 0.0f, image)) {
        GTEST_SKIP() << "no display";
    }
    EXPECT_TRUE(Near(OnDial(image, 0.5f, 20), kHourColour));
    EXPECT_FALSE(Near(OnDial(image, 0.0f, 20), kHourColour)) << "not still at 12";
    EXPECT_FALSE(Near(OnDial(image, 1.0f, 20), kHourColour)) << "not yet at 1";
    EXPECT_TRUE(Near(OnDial(image, 6, 35), kMinuteColour));
    EXPECT_FALSE(Near(OnDial(image, 0, 35), kMinuteColour));
}

TEST_F(ClockShotTest, ThePendulumSwingsToOneSideAndBack) {
    // 40 units down the rod, which hangs from 20 units below the dial's centre.
    auto rod = [](const render::Image& image, float side) {
        const float x = kWidth / 2.0f + side * 40.0f * std::sin(0.4f) * kPixelsPerUnit;
        const float y = kHeight / 2.0f + (20.0f + 40.0f * std::cos(0.4f)) * kPixelsPerUnit;
        return image.pixels[std::size_t(std::lround(y)) * kWidth + std::size_t(std::lround(x))];
    };
    render::Image half, later;
    if (!Shoot("clock_room_swing_0500", "10:10:00", 0.5f, half) ||
        !Shoot("clock_room_swing_1500", "10:10:00", 1.5f, later)) {
        GTEST_SKIP() << "no display";
    }
    EXPECT_TRUE(Near(rod(half, -1), kPendulumColour)) << "left at 0.5 s";
    EXPECT_FALSE(Near(rod(half, 1), kPendulumColour));
    EXPECT_TRUE(Near(rod(later, 1), kPendulumColour)) << "right at 1.5 s";
    EXPECT_FALSE(Near(rod(later, -1), kPendulumColour));
}

// The shipped room, seen as the clock scene draws it.
class ShippedRoomShotTest : public ClockShotTest {
protected:
    bool ShootRoom(const std::string& name, const std::string& clock, float seconds,
                   const std::string& eye, render::Image& image) {
        const fs::path room = fs::path(ZORVANE_SOURCE_DIR) / "media" / "Media" / "clock.UDF";
        return ShootScene(name, room,
                          "--size 640x360 --fov 1.2217 --near 0.1 --far 1000 --ambient FFFFFF"
                          " --clock-time " +
                              clock + " --time " + std::to_string(seconds) + " --eye " + eye +
                              " --dir 0,-1,0 --up 0,0,1",
                          image);
    }
};

TEST_F(ShippedRoomShotTest, TheDialAtThreeAndAtHalfPastTwelve) {
    render::Image three, halfPast;
    if (!ShootRoom("room_dial_0300", "03:00:00", 0.0f, "100,-125,24", three) ||
        !ShootRoom("room_dial_1230", "12:30:00", 0.0f, "100,-125,24", halfPast)) {
        GTEST_SKIP() << "no display";
    }
}

TEST_F(ShippedRoomShotTest, ThePendulumsBobIsLeftAtHalfASecondAndRightAtOneAndAHalf) {
    // The mean x of the bright yellow pixels: the bob's brass and the wood's highlights.
    auto bobX = [](const render::Image& image) {
        double sum = 0;
        std::size_t count = 0;
        for (std::uint32_t y = 0; y < image.height; ++y) {
            for (std::uint32_t x = 0; x < image.width; ++x) {
                const std::uint32_t p = image.pixels[std::size_t(y) * image.width + x];
                if (((p >> 8) & 0xFF) > 110 && ((p >> 16) & 0xFF) > 140) {
                    sum += x;
                    ++count;
                }
            }
        }
        return count ? sum / double(count) : -1.0;
    };
    render::Image rest, half, later;
    if (!ShootRoom("room_pendulum_0000", "10:10:00", 0.0f, "100,-150,-70", rest) ||
        !ShootRoom("room_pendulum_0500", "10:10:00", 0.5f, "100,-150,-70", half) ||
        !ShootRoom("room_pendulum_1500", "10:10:00", 1.5f, "100,-150,-70", later)) {
        GTEST_SKIP() << "no display";
    }
    // The wood's highlights stand still; only the bob moves the mean.
    EXPECT_GT(bobX(rest), 0.0);
    EXPECT_LT(bobX(half) + 5.0, bobX(rest)) << "left of its rest at 0.5 s";
    EXPECT_GT(bobX(later), bobX(rest) + 5.0) << "right of its rest at 1.5 s";
}

}  // namespace
