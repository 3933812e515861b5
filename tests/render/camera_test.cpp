#include <gtest/gtest.h>

#include "render/math/camera.h"
#include "render/scene/animation/camera_path.h"
#include "scene_builder.h"
#include "vfs/file_source.h"

#include <cmath>

namespace {

using namespace render;

constexpr float kPi = 3.14159265f;

TEST(Camera, ProjectionForAQuarterTurnFieldOfView) {
    Camera camera;
    camera.SetPerspective(1.0f, 101.0f, kPi / 2, 1.0f);
    const Matrix& p = camera.GetProjection();
    EXPECT_NEAR(p.m[0][0], 1.0f, 1e-6f);
    EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6f);
    EXPECT_NEAR(p.m[2][2], 101.0f / 100.0f, 1e-6f);
    EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -101.0f / 100.0f, 1e-6f);
    EXPECT_FLOAT_EQ(p.m[3][3], 0.0f);
    // The near plane maps to depth 0, the far plane to 1.
    const Vector4 atNear = Vec3Transform({0, 0, 1}, p);
    const Vector4 atFar = Vec3Transform({0, 0, 101}, p);
    EXPECT_NEAR(atNear.z / atNear.w, 0.0f, 1e-6f);
    EXPECT_NEAR(atFar.z / atFar.w, 1.0f, 1e-6f);
}

TEST(Camera, ChangingTheEyeMarksItDirtyAndMovesTheView) {
    Camera camera;
    camera.SetView({0, 0, -10}, {0, 0, 1}, {0, 1, 0});
    EXPECT_NEAR(Vec3TransformPoint({0, 0, 0}, camera.GetView()).z, 10.0f, 1e-5f);
    EXPECT_FALSE(camera.IsDirty());
    camera.SetEye({0, 0, -4});
    EXPECT_TRUE(camera.IsDirty());
    EXPECT_NEAR(Vec3TransformPoint({0, 0, 0}, camera.GetView()).z, 4.0f, 1e-5f);
    EXPECT_FALSE(camera.IsDirty());
}

TEST(Camera, DirectionLengthDoesNotChangeTheView) {
    Camera a, b;
    a.SetView({1, 2, 3}, {0.3f, -0.2f, 0.9f}, {0, 1, 0});
    b.SetView({1, 2, 3}, {3.0f, -2.0f, 9.0f}, {0, 1, 0});
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(a.GetView().m[r][c], b.GetView().m[r][c], 1e-5f);
        }
    }
}

TEST(Camera, FrustumCornersProjectOntoTheClipVolumeCorners) {
    Camera camera;
    camera.SetPerspective(2.0f, 50.0f, 1.0f, 1.6f);
    camera.SetView({4, -3, 7}, {1, 0.5f, 0}, {0, 0, 1});
    const Matrix& vp = camera.GetViewProjection();
    for (const Vector3& corner : camera.GetFrustumCorners()) {
        const Vector4 clip = Vec3Transform(corner, vp);
        EXPECT_NEAR(std::fabs(clip.x / clip.w), 1.0f, 1e-3f);
        EXPECT_NEAR(std::fabs(clip.y / clip.w), 1.0f, 1e-3f);
        const float depth = clip.z / clip.w;
        EXPECT_TRUE(std::fabs(depth) < 1e-3f || std::fabs(depth - 1.0f) < 1e-3f) << depth;
    }
}

TEST(CameraPath, KeysInAnyOrderGiveAGlidingPath) {
    udf::UdfNode root("_root", "_roottype");
    const Quaternion quarter = QuaternionRotationAxis({1, 0, 0}, kPi / 2);
    // Stored out of time order, names free, every type but "pos" a rotation.
    const std::vector<std::pair<std::string, Key>> members = {
        {"rot", test::MakeKey(200, quarter.x, quarter.y, quarter.z, quarter.w)},
        {"pos", test::MakeKey(200, 10, 0, 0)},
        {"pos", test::MakeKey(0, 0, 0, 0)},
        {"turn", test::MakeKey(0, 0, 0, 0, 1)},
        {"pos", test::MakeKey(400, 20, 10, 0)},
    };
    for (std::size_t i = 0; i < members.size(); ++i) {
        root.addLeaf("k" + std::to_string(i), members[i].first, &members[i].second, 32, true);
    }
    const std::vector<std::uint8_t> bytes = test::SceneBytes(root);
    CameraPath path;
    ASSERT_TRUE(path.LoadFile(vfs::FileSource(bytes.data(), std::uint32_t(bytes.size()))));
    EXPECT_EQ(path.GetPositionTrack().KeyCount(), 3u);
    EXPECT_EQ(path.GetRotationTrack().KeyCount(), 2u);
    float start = -1, end = -1;
    ASSERT_TRUE(path.GetTimeRange(start, end));
    EXPECT_EQ(start, 0.0f);
    EXPECT_EQ(end, 400.0f);

    path.Sample(200);
    EXPECT_NEAR(path.GetPosition().x, 10.0f, 1e-4f);
    // A quarter turn about x: the front (0, 0, 1) turns to (0, -1, 0), the up to (0, 0, 1).
    EXPECT_NEAR(path.GetFront().y, -1.0f, 1e-5f);
    EXPECT_NEAR(path.GetUp().z, 1.0f, 1e-5f);
    // The path glides through a key instead of turning a corner there: its slope towards the
    // last key already holds just before the key at 200 (straight segments would be flat).
    const float h = 0.5f;
    path.Sample(200 - h);
    const float before = path.GetPosition().y;
    path.Sample(200 + h);
    const float after = path.GetPosition().y;
    EXPECT_GT(-before, 0.01f);
    EXPECT_NEAR(after / h, -before / h, 1e-3f);

    CameraPath empty;
    const std::uint8_t junk[] = {0, 1, 2, 3};
    EXPECT_FALSE(empty.LoadFile(vfs::FileSource(junk, sizeof junk)));
    EXPECT_FALSE(empty.GetTimeRange(start, end));
}

}  // namespace
