// The ten camera paths shipped in media/Media/ are calm glides that stay inside the study, at a
// person's eye height, clear of the furniture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "render/scene/animation/camera_path.h"
#include "render/scene/animation/key.h"
#include "vfs/file_source.h"

namespace {

using namespace render;

// The room's inside in scene units (centimetres), and the near clipping distance of the
// shipped scene parameters: an eye closer to a wall than that would clip into it.
constexpr float kRoomMin[3] = {-250.0f, -200.0f, -140.0f};
constexpr float kRoomMax[3] = {250.0f, 200.0f, 140.0f};
constexpr float kNearPlane = 0.1f;
// Path units per second and the sampling step of the checks.
constexpr float kUnitsPerSecond = 10.0f;
constexpr float kStep = 0.5f;
constexpr float kMaxTurnDegreesPerSecond = 30.0f;
constexpr float kPi = 3.14159265f;
// Slow enough to watch, never standing still: centimetres per second along each path, and at
// least kMinTourSpeed over the whole tour.
constexpr float kMinSpeed = 3.0f;
constexpr float kMaxSpeed = 15.0f;
constexpr float kMinTourSpeed = 5.0f;
// Eye height above the floor, from someone low in an armchair's seat to a tall person standing.
constexpr float kMinEyeHeight = 60.0f;
constexpr float kMaxEyeHeight = 170.0f;
constexpr float kMaxSeconds = 180.0f;
constexpr int kPathCount = 10;

// Boxes round the pieces the camera must not pass through, where room.py puts them, each grown
// by a margin so that no frame comes closer than a hand's breadth. The armchair's is only its
// height and a little above, as a seated eye looks out from over its seat.
struct Keepout {
    const char* name;
    float lo[3];
    float hi[3];
};
constexpr Keepout kKeepouts[] = {
    {"clock case", {50.0f, -220.0f, -150.0f}, {150.0f, -140.0f, 96.0f}},
    {"lamp and table", {-36.0f, -136.0f, -150.0f}, {46.0f, -54.0f, -4.0f}},
    {"armchair", {-125.0f, -15.0f, -150.0f}, {-25.0f, 85.0f, -33.0f}},
    {"bookcase", {-260.0f, -150.0f, -150.0f}, {-195.0f, -10.0f, 65.0f}},
    {"curtains", {225.0f, -100.0f, -150.0f}, {260.0f, 160.0f, 150.0f}},
};

float AngleDegrees(Vector3 a, Vector3 b) {
    const float c = Vec3Dot(Vec3Normalize(a), Vec3Normalize(b));
    return std::acos(std::clamp(c, -1.0f, 1.0f)) * 180.0f / kPi;
}

std::string PathFile(int number) {
    return std::string(ZORVANE_SOURCE_DIR) + "/media/Media/c" + std::to_string(number) + ".cam";
}

// Centimetres the eye travels along a loaded path, sampled as the tour plays it.
float PathLength(CameraPath& path, float start, float end) {
    float length = 0.0f;
    path.Sample(start);
    Vector3 last = path.GetPosition();
    for (float t = start + kStep; t <= end + 1e-3f; t += kStep) {
        path.Sample(std::min(t, end));
        const Vector3 p = path.GetPosition();
        length += Vec3Length(p - last);
        last = p;
    }
    return length;
}

class ShippedCameraPath : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        const std::string file = PathFile(GetParam());
        ASSERT_TRUE(path_.LoadFile(vfs::FileSource(core::EngineString(file)))) << file;
        ASSERT_TRUE(path_.GetTimeRange(start_, end_)) << file;
    }

    CameraPath path_;
    float start_ = 0;
    float end_ = 0;
};

TEST_P(ShippedCameraPath, LastsAtMostThreeMinutesAndPairsEveryKey) {
    EXPECT_EQ(start_, 0.0f);
    const float seconds = (end_ - start_) / kUnitsPerSecond;
    EXPECT_GE(seconds, 15.0f);
    EXPECT_LE(seconds, kMaxSeconds);

    // Every position key has a rotation key at the same time.
    const Track& positions = path_.GetPositionTrack();
    const Track& rotations = path_.GetRotationTrack();
    ASSERT_GE(positions.KeyCount(), 2u);
    ASSERT_EQ(positions.KeyCount(), rotations.KeyCount());
    std::set<float> rotationTimes;
    for (std::size_t i = 0; i < rotations.KeyCount(); ++i) {
        rotationTimes.insert(rotations.Keys()[i].time);
    }
    for (std::size_t i = 0; i < positions.KeyCount(); ++i) {
        EXPECT_EQ(rotationTimes.count(positions.Keys()[i].time), 1u)
            << "position key at " << positions.Keys()[i].time;
    }
}

TEST_P(ShippedCameraPath, StaysInsideTheRoomWithoutRollingOrTurningFast) {
    bool first = true;
    Vector3 lastFront{};
    float worstTurn = 0.0f;
    float worstRoll = 0.0f;
    for (float t = start_; t <= end_ + 1e-3f; t += kStep) {
        path_.Sample(t);
        const Vector3 p = path_.GetPosition();
        const float c[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
            ASSERT_GT(c[axis], kRoomMin[axis] + kNearPlane) << "axis " << axis << " at " << t;
            ASSERT_LT(c[axis], kRoomMax[axis] - kNearPlane) << "axis " << axis << " at " << t;
        }
        const Vector3 front = path_.GetFront();
        const Vector3 up = path_.GetUp();
        // No roll: the camera's right-hand direction stays level, and its up points upwards.
        const Vector3 right = Vec3Normalize(Vec3Cross(up, front));
        worstRoll = std::max(worstRoll, std::asin(std::min(1.0f, std::fabs(right.z))) * 180 / kPi);
        EXPECT_GT(up.z, 0.0f) << "upside down at " << t;
        if (!first) {
            const float degreesPerSecond =
                AngleDegrees(lastFront, front) / (kStep / kUnitsPerSecond);
            worstTurn = std::max(worstTurn, degreesPerSecond);
        }
        lastFront = front;
        first = false;
    }
    EXPECT_LE(worstTurn, kMaxTurnDegreesPerSecond);
    EXPECT_LE(worstRoll, 1.0f);
}

TEST_P(ShippedCameraPath, MovesAtAWatchableSpeed) {
    const float speed = PathLength(path_, start_, end_) / ((end_ - start_) / kUnitsPerSecond);
    EXPECT_GE(speed, kMinSpeed);
    EXPECT_LE(speed, kMaxSpeed);
}

TEST_P(ShippedCameraPath, KeepsEyeHeightAndClearsTheFurniture) {
    for (float t = start_; t <= end_ + 1e-3f; t += kStep) {
        path_.Sample(std::min(t, end_));
        const Vector3 p = path_.GetPosition();
        const float height = p.z - kRoomMin[2];
        ASSERT_GE(height, kMinEyeHeight) << "at " << t;
        ASSERT_LE(height, kMaxEyeHeight) << "at " << t;
        for (const Keepout& k : kKeepouts) {
            const bool inside = p.x > k.lo[0] && p.x < k.hi[0] && p.y > k.lo[1] && p.y < k.hi[1] &&
                                p.z > k.lo[2] && p.z < k.hi[2];
            ASSERT_FALSE(inside) << "in the " << k.name << " at " << t << ": " << p.x << ", " << p.y
                                 << ", " << p.z;
        }
    }
}

// The tour as a whole keeps moving: slow close-ups are paid for by wider, quicker glides.
TEST(ShippedCameraTour, AveragesAtLeastFiveCentimetresPerSecond) {
    float length = 0.0f;
    float seconds = 0.0f;
    for (int number = 1; number <= kPathCount; ++number) {
        CameraPath path;
        ASSERT_TRUE(path.LoadFile(vfs::FileSource(core::EngineString(PathFile(number)))));
        float start = 0;
        float end = 0;
        ASSERT_TRUE(path.GetTimeRange(start, end));
        length += PathLength(path, start, end);
        seconds += (end - start) / kUnitsPerSecond;
    }
    EXPECT_GE(length / seconds, kMinTourSpeed);
}

INSTANTIATE_TEST_SUITE_P(AllTen, ShippedCameraPath, ::testing::Range(1, kPathCount + 1),
                         [](const auto& info) { return "c" + std::to_string(info.param); });

}  // namespace
