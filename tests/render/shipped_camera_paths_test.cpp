// The ten camera paths shipped in media/Media/ are calm glides that stay inside the study.
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

float AngleDegrees(Vector3 a, Vector3 b) {
    const float c = Vec3Dot(Vec3Normalize(a), Vec3Normalize(b));
    return std::acos(std::clamp(c, -1.0f, 1.0f)) * 180.0f / kPi;
}

class ShippedCameraPath : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        const std::string file = std::string(ZORVANE_SOURCE_DIR) + "/media/Media/c" +
                                 std::to_string(GetParam()) + ".cam";
        ASSERT_TRUE(path_.LoadFile(vfs::FileSource(core::EngineString(file)))) << file;
        ASSERT_TRUE(path_.GetTimeRange(start_, end_)) << file;
    }

    CameraPath path_;
    float start_ = 0;
    float end_ = 0;
};

TEST_P(ShippedCameraPath, LastsBetweenOneAndFiveMinutesAndPairsEveryKey) {
    EXPECT_EQ(start_, 0.0f);
    const float seconds = (end_ - start_) / kUnitsPerSecond;
    EXPECT_GE(seconds, 60.0f);
    EXPECT_LE(seconds, 300.0f);

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

INSTANTIATE_TEST_SUITE_P(AllTen, ShippedCameraPath, ::testing::Range(1, 11),
                         [](const auto& info) { return "c" + std::to_string(info.param); });

}  // namespace
