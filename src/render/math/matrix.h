// Matrix: the engine's 4 x 4 transform (row vectors, translation in the fourth row) with its
// classification word, and the vector, quaternion and matrix helpers the scene code uses.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d_types.h"

namespace render {

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

struct Vector4 {
    float x = 0, y = 0, z = 0, w = 0;
};

// x, y, z, w; the identity rotation is (0, 0, 0, 1).
struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

// The classification word a matrix carries after its sixteen floats.
inline constexpr std::uint32_t kMatrixGeneral = 0;
inline constexpr std::uint32_t kMatrixIdentity = 7;

struct Matrix {
    float m[4][4] = {};
    std::uint32_t classification = kMatrixGeneral;

    gfx::D3DMATRIX ToD3D() const;
};

static_assert(sizeof(Matrix) == 68, "a scene file's matrix value is 68 bytes");

Vector3 operator+(Vector3 a, Vector3 b);
Vector3 operator-(Vector3 a, Vector3 b);
Vector3 operator*(Vector3 a, float s);
float Vec3Dot(Vector3 a, Vector3 b);
Vector3 Vec3Cross(Vector3 a, Vector3 b);
float Vec3Length(Vector3 a);
// The zero vector stays zero.
Vector3 Vec3Normalize(Vector3 a);
// p x M with w = 1, without the division by w (affine transforms).
Vector3 Vec3TransformPoint(Vector3 p, const Matrix& m);
// p x M with w = 1, divided by the resulting w.
Vector3 Vec3TransformCoord(Vector3 p, const Matrix& m);
// The direction d x M (the fourth row is ignored).
Vector3 Vec3TransformNormal(Vector3 d, const Matrix& m);
// (p, 1) x M.
Vector4 Vec3Transform(Vector3 p, const Matrix& m);

Matrix MatrixIdentity();
bool MatrixIsIdentity(const Matrix& m, float tolerance = 0.0f);
// a x b: a's transform first, then b's.
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
// False (and `out` unchanged) for a singular or non-finite matrix.
bool MatrixInverse(Matrix& out, const Matrix& m);
Matrix MatrixTranslation(float x, float y, float z);
Matrix MatrixScaling(float x, float y, float z);
Matrix MatrixRotationQuaternion(const Quaternion& q);
// Splits an affine matrix into scale x rotation x translation. False when the matrix has
// shear, a zero scale or non-finite values: the parts would not give the matrix back.
bool MatrixDecompose(Vector3& scale, Quaternion& rotation, Vector3& translation, const Matrix& m);
// A left-handed view looking from `eye` at `at`.
Matrix MatrixLookAtLH(Vector3 eye, Vector3 at, Vector3 up);
// A left-handed perspective with depth 0 at `zn` and 1 at `zf`.
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf);

// A rotation by `angle` radians about `axis` (normalised first).
Quaternion QuaternionRotationAxis(Vector3 axis, float angle);
Quaternion QuaternionNormalize(const Quaternion& q);
// Along the shorter arc from a (t = 0) to b (t = 1).
Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t);

bool IsFinite(const Matrix& m);

}  // namespace render
