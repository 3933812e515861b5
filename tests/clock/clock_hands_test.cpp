// The hands' angles from the local time, and where a hand resting at 12 (hour) or at 3 (minute)
// points once its key has turned it.
#include "clock/clock_hands.h"

#include <gtest/gtest.h>

#include <cmath>

#include "render/math/matrix.h"

namespace {

using clockscene::HandAnglesAt;
using clockscene::kPi;
using core::LocalTime;

// Where a rest direction points after the hand's key: x to the right of the dial, z up.
render::Vector3 Turned(float angle, render::Vector3 rest) {
    const render::Key key = clockscene::HandKey(angle);
    const render::Matrix m = render::MatrixRotationQuaternion(key.AsQuaternion());
    const render::Vector4 v = render::Vec3Transform(rest, m);
    return {v.x, v.y, v.z};
}

// The dial direction of `hours` o'clock (fractions allowed).
render::Vector3 Dial(float hours) {
    return {std::sin(hours / 12.0f * 2.0f * kPi), 0.0f, std::cos(hours / 12.0f * 2.0f * kPi)};
}

void ExpectDirection(render::Vector3 got, render::Vector3 expected, const char* what) {
    EXPECT_NEAR(got.x, expected.x, 1e-4f) << what;
    EXPECT_NEAR(got.y, expected.y, 1e-4f) << what;
    EXPECT_NEAR(got.z, expected.z, 1e-4f) << what;
}

TEST(ClockHands, AnglesOfTheDay) {
    struct Case {
        LocalTime time;
        float hour;
        float minute;
    };
    const Case cases[] = {
        {{3, 0, 0, 0}, kPi / 2, -kPi / 2},
        {{12, 30, 0, 0}, kPi / 12, kPi / 2},
        {{0, 30, 0, 0}, kPi / 12, kPi / 2},
        {{6, 30, 0, 0}, 2 * kPi * 6.5f / 12, kPi / 2},
        {{13, 0, 0, 0}, 2 * kPi / 12, -kPi / 2},
        {{21, 5, 3, 0},
         2 * kPi * (9 + (5 + 3 / 60.0f) / 60.0f) / 12,
         2 * kPi * (5 + 3 / 60.0f) / 60.0f - kPi / 2},
        {{10, 0, 30, 500},
         2 * kPi * (10 + 30.5f / 3600.0f) / 12,
         2 * kPi * 30.5f / 3600.0f - kPi / 2},
    };
    for (const Case& c : cases) {
        const auto angles = HandAnglesAt(c.time);
        EXPECT_NEAR(angles.hour, c.hour, 1e-5f) << c.time.hour << ":" << c.time.minute;
        EXPECT_NEAR(angles.minute, c.minute, 1e-5f) << c.time.hour << ":" << c.time.minute;
    }
}

TEST(ClockHands, MidnightAndNoonAndTheAfternoonShareTheDial) {
    EXPECT_EQ(HandAnglesAt({0, 0, 0, 0}).hour, HandAnglesAt({12, 0, 0, 0}).hour);
    EXPECT_EQ(HandAnglesAt({13, 0, 0, 0}).hour, HandAnglesAt({1, 0, 0, 0}).hour);
    EXPECT_EQ(HandAnglesAt({23, 59, 0, 0}).hour, HandAnglesAt({11, 59, 0, 0}).hour);
}

TEST(ClockHands, TheMinuteHandCrossesTheFullHourWithoutAJump) {
    const float before = HandAnglesAt({4, 59, 59, 999}).minute;
    const float after = HandAnglesAt({5, 0, 0, 0}).minute;
    ExpectDirection(Turned(before, {1, 0, 0}), Turned(after, {1, 0, 0}), "around the hour");
}

TEST(ClockHands, KeysTurnTheRestingHandsToTheTime) {
    // The hour hand rests at 12, the minute hand at 3.
    const auto three = HandAnglesAt({3, 0, 0, 0});
    ExpectDirection(Turned(three.hour, {0, 0, 1}), Dial(3), "hour at 3:00");
    ExpectDirection(Turned(three.minute, {1, 0, 0}), Dial(0), "minute at 3:00");
    const auto halfPast = HandAnglesAt({12, 30, 0, 0});
    ExpectDirection(Turned(halfPast.hour, {0, 0, 1}), Dial(0.5f), "hour at 12:30");
    ExpectDirection(Turned(halfPast.minute, {1, 0, 0}), Dial(6), "minute at 12:30");
    const auto nine = HandAnglesAt({21, 45, 0, 0});
    ExpectDirection(Turned(nine.hour, {0, 0, 1}), Dial(9.75f), "hour at 21:45");
    ExpectDirection(Turned(nine.minute, {1, 0, 0}), Dial(9), "minute at 21:45");
}

TEST(ClockHands, KeyIsARotationAtTimeZero) {
    const render::Key key = clockscene::HandKey(kPi / 2);
    EXPECT_EQ(key.time, 0.0f);
    EXPECT_NEAR(key.value[1], std::sin(kPi / 4), 1e-6f);
    EXPECT_NEAR(key.value[3], std::cos(kPi / 4), 1e-6f);
    EXPECT_EQ(key.extra[0], 0.0f);
    EXPECT_EQ(key.extra[1], 0.0f);
    EXPECT_EQ(key.extra[2], 0.0f);
}

}  // namespace
