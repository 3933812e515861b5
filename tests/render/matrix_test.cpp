#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/math/matrix.h"

namespace {

using namespace render;

constexpr float kPi = 3.14159265f;

void ExpectNear(const Matrix& a, const Matrix& b, float tolerance = 1e-5f) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << "row " << r << " column " << c;
        }
    }
}

TEST(Matrix, RowVectorsComposeLocalFirst) {
    // Scale by 2, then move by (1, 0, 0): the point (1, 0, 0) lands at 3, not at 4.
    const Matrix m = MatrixMultiply(MatrixScaling(2, 2, 2), MatrixTranslation(1, 0, 0));
    const Vector3 p = Vec3TransformPoint({1, 0, 0}, m);
    EXPECT_FLOAT_EQ(p.x, 3.0f);
    EXPECT_FLOAT_EQ(m.m[3][0], 1.0f);
}

TEST(Matrix, QuaternionRotationFollowsTheLeftHandedRowConvention) {
    // A quarter turn about z carries +x to +y, as D3DXMatrixRotationZ does.
    const Matrix m = MatrixRotationQuaternion(QuaternionRotationAxis({0, 0, 5}, kPi / 2));
    const Vector3 p = Vec3TransformPoint({1, 0, 0}, m);
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    const Quaternion q = QuaternionRotationAxis({0, 1, 0}, kPi);
    EXPECT_NEAR(q.y, 1.0f, 1e-6f);
    EXPECT_NEAR(q.w, 0.0f, 1e-6f);
}

TEST(Matrix, InverseUndoesAndRefusesSingularOrNaN) {
    const Matrix m = MatrixMultiply(
        MatrixMultiply(MatrixScaling(2, 3, 4),
                       MatrixRotationQuaternion(QuaternionRotationAxis({1, 2, 3}, 0.7f))),
        MatrixTranslation(5, -6, 7));
    Matrix inverse;
    ASSERT_TRUE(MatrixInverse(inverse, m));
    ExpectNear(MatrixMultiply(m, inverse), MatrixIdentity());

    Matrix untouched = MatrixTranslation(9, 9, 9);
    EXPECT_FALSE(MatrixInverse(untouched, MatrixScaling(1, 0, 1)));
    Matrix nan = MatrixIdentity();
    nan.m[1][2] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(MatrixInverse(untouched, nan));
    EXPECT_FLOAT_EQ(untouched.m[3][0], 9.0f);
}

TEST(Matrix, DecomposeRecomposesAndRejectsWhatItCannot) {
    struct Case {
        Vector3 scale;
        Vector3 axis;
        float angle;
        Vector3 translation;
    };
    const Case cases[] = {
        {{1, 1, 1}, {0, 0, 1}, 0.0f, {0, 0, 0}},
        {{2, 3, 4}, {1, 1, 0}, 1.2f, {10, -20, 30}},
        {{-1, 1, 1}, {0, 1, 0}, 2.5f, {1, 2, 3}},  // mirrored
        {{0.01f, 100, 5}, {3, -1, 2}, -0.4f, {0, 0, -7}},
    };
    for (const Case& c : cases) {
        const Matrix m = MatrixMultiply(
            MatrixMultiply(MatrixScaling(c.scale.x, c.scale.y, c.scale.z),
                           MatrixRotationQuaternion(QuaternionRotationAxis(c.axis, c.angle))),
            MatrixTranslation(c.translation.x, c.translation.y, c.translation.z));
        Vector3 s, t;
        Quaternion q;
        ASSERT_TRUE(MatrixDecompose(s, q, t, m));
        const Matrix back = MatrixMultiply(
            MatrixMultiply(MatrixScaling(s.x, s.y, s.z), MatrixRotationQuaternion(q)),
            MatrixTranslation(t.x, t.y, t.z));
        ExpectNear(back, m, 1e-3f);
    }
    Vector3 s, t;
    Quaternion q;
    Matrix shear = MatrixIdentity();
    shear.m[1][0] = 0.5f;
    EXPECT_FALSE(MatrixDecompose(s, q, t, shear));
    EXPECT_FALSE(MatrixDecompose(s, q, t, MatrixScaling(1, 0, 1)));
    // A slight shear is not hidden by a large translation.
    Matrix far = MatrixTranslation(5000, -3000, 800);
    far.m[0][1] = 0.01f;
    EXPECT_FALSE(MatrixDecompose(s, q, t, far));
    Matrix projective = MatrixIdentity();
    projective.m[2][3] = 1.0f;
    EXPECT_FALSE(MatrixDecompose(s, q, t, projective));
    Matrix nan = MatrixIdentity();
    nan.m[3][1] = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(MatrixDecompose(s, q, t, nan));
}

TEST(Matrix, SlerpTakesTheShortArc) {
    const Quaternion a = QuaternionRotationAxis({0, 0, 1}, 0.2f);
    Quaternion b = QuaternionRotationAxis({0, 0, 1}, 0.6f);
    b = {-b.x, -b.y, -b.z, -b.w};  // the same rotation from the other hemisphere
    const Quaternion mid = QuaternionSlerp(a, b, 0.5f);
    const Quaternion expected = QuaternionRotationAxis({0, 0, 1}, 0.4f);
    const float dot =
        mid.x * expected.x + mid.y * expected.y + mid.z * expected.z + mid.w * expected.w;
    EXPECT_NEAR(std::fabs(dot), 1.0f, 1e-5f);
}

}  // namespace
