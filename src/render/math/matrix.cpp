#include "render/math/matrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

namespace render {

namespace {

// A row-vector matrix has the memory layout of GLM's column-major transpose, so a copy turns
// one into the other and a x b becomes B * A.
glm::mat4 ToGlm(const Matrix& m) {
    glm::mat4 g;
    std::memcpy(&g[0][0], m.m, sizeof m.m);
    return g;
}

Matrix FromGlm(const glm::mat4& g) {
    Matrix m;
    std::memcpy(m.m, &g[0][0], sizeof m.m);
    return m;
}

glm::vec3 ToGlm(Vector3 v) {
    return {v.x, v.y, v.z};
}

Vector3 FromGlm(glm::vec3 v) {
    return {v.x, v.y, v.z};
}

glm::quat ToGlm(const Quaternion& q) {
    return glm::quat(q.w, q.x, q.y, q.z);
}

Quaternion FromGlm(const glm::quat& q) {
    return {q.x, q.y, q.z, q.w};
}

}  // namespace

gfx::D3DMATRIX Matrix::ToD3D() const {
    gfx::D3DMATRIX d;
    std::memcpy(d.m, m, sizeof m);
    return d;
}

Vector3 operator+(Vector3 a, Vector3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 operator-(Vector3 a, Vector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 operator*(Vector3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}

float Vec3Dot(Vector3 a, Vector3 b) {
    return glm::dot(ToGlm(a), ToGlm(b));
}

Vector3 Vec3Cross(Vector3 a, Vector3 b) {
    return FromGlm(glm::cross(ToGlm(a), ToGlm(b)));
}

float Vec3Length(Vector3 a) {
    return glm::length(ToGlm(a));
}

Vector3 Vec3Normalize(Vector3 a) {
    const float length = Vec3Length(a);
    return length > 0.0f ? a * (1.0f / length) : Vector3{};
}

Vector4 Vec3Transform(Vector3 p, const Matrix& m) {
    const glm::vec4 r = ToGlm(m) * glm::vec4(p.x, p.y, p.z, 1.0f);
    return {r.x, r.y, r.z, r.w};
}

Vector3 Vec3TransformPoint(Vector3 p, const Matrix& m) {
    const Vector4 r = Vec3Transform(p, m);
    return {r.x, r.y, r.z};
}

Vector3 Vec3TransformCoord(Vector3 p, const Matrix& m) {
    const Vector4 r = Vec3Transform(p, m);
    const float inverseW = r.w != 0.0f ? 1.0f / r.w : 0.0f;
    return {r.x * inverseW, r.y * inverseW, r.z * inverseW};
}

Vector3 Vec3TransformNormal(Vector3 d, const Matrix& m) {
    return FromGlm(glm::vec3(ToGlm(m) * glm::vec4(d.x, d.y, d.z, 0.0f)));
}

Matrix MatrixIdentity() {
    Matrix m = FromGlm(glm::mat4(1.0f));
    m.classification = kMatrixIdentity;
    return m;
}

bool MatrixIsIdentity(const Matrix& m, float tolerance) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const float expected = r == c ? 1.0f : 0.0f;
            // Written so that NaN counts as different.
            if (!(std::fabs(m.m[r][c] - expected) <= tolerance)) {
                return false;
            }
        }
    }
    return true;
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
    return FromGlm(ToGlm(b) * ToGlm(a));
}

bool MatrixInverse(Matrix& out, const Matrix& m) {
    if (!IsFinite(m)) {
        return false;
    }
    const glm::mat4 g = ToGlm(m);
    const float determinant = glm::determinant(g);
    if (!std::isfinite(determinant) || std::fabs(determinant) < 1e-20f) {
        return false;
    }
    const Matrix inverse = FromGlm(glm::inverse(g));
    if (!IsFinite(inverse)) {
        return false;
    }
    out = inverse;
    return true;
}

Matrix MatrixTranslation(float x, float y, float z) {
    Matrix m = MatrixIdentity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    m.classification = kMatrixGeneral;
    return m;
}

Matrix MatrixScaling(float x, float y, float z) {
    Matrix m = MatrixIdentity();
    m.m[0][0] = x;
    m.m[1][1] = y;
    m.m[2][2] = z;
    m.classification = kMatrixGeneral;
    return m;
}

Matrix MatrixRotationQuaternion(const Quaternion& q) {
    // GLM's column-vector rotation matrix, read row-major, is the row-vector matrix of the same
    // rotation.
    return FromGlm(glm::mat4_cast(ToGlm(q)));
}

bool MatrixDecompose(Vector3& scale, Quaternion& rotation, Vector3& translation, const Matrix& m) {
    if (!IsFinite(m)) {
        return false;
    }
    glm::vec3 rows[3];
    float scales[3];
    for (int r = 0; r < 3; ++r) {
        rows[r] = glm::vec3(m.m[r][0], m.m[r][1], m.m[r][2]);
        scales[r] = glm::length(rows[r]);
        if (!(scales[r] > 1e-8f)) {
            return false;
        }
        rows[r] /= scales[r];
    }
    // A mirrored basis keeps a proper rotation by carrying the sign in the x scale.
    if (glm::dot(glm::cross(rows[0], rows[1]), rows[2]) < 0.0f) {
        scales[0] = -scales[0];
        rows[0] = -rows[0];
    }
    glm::mat3 basis;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            basis[r][c] = rows[r][c];
        }
    }
    const Quaternion q = QuaternionNormalize(FromGlm(glm::quat_cast(basis)));
    const Vector3 s{scales[0], scales[1], scales[2]};
    const Vector3 t{m.m[3][0], m.m[3][1], m.m[3][2]};
    // The parts must give the matrix back; shear or a projective column would not.
    const Matrix back =
        MatrixMultiply(MatrixMultiply(MatrixScaling(s.x, s.y, s.z), MatrixRotationQuaternion(q)),
                       MatrixTranslation(t.x, t.y, t.z));
    float largest = 1.0f;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            largest = std::max(largest, std::fabs(m.m[r][c]));
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const float tolerance = (r < 3 && c < 3) ? 1e-4f * largest : 1e-5f;
            if (!(std::fabs(back.m[r][c] - m.m[r][c]) <= tolerance)) {
                return false;
            }
        }
    }
    scale = s;
    rotation = q;
    translation = t;
    return true;
}

Matrix MatrixLookAtLH(Vector3 eye, Vector3 at, Vector3 up) {
    const Vector3 zAxis = Vec3Normalize(at - eye);
    const Vector3 xAxis = Vec3Normalize(Vec3Cross(up, zAxis));
    const Vector3 yAxis = Vec3Cross(zAxis, xAxis);
    Matrix m;
    m.m[0][0] = xAxis.x;
    m.m[0][1] = yAxis.x;
    m.m[0][2] = zAxis.x;
    m.m[1][0] = xAxis.y;
    m.m[1][1] = yAxis.y;
    m.m[1][2] = zAxis.y;
    m.m[2][0] = xAxis.z;
    m.m[2][1] = yAxis.z;
    m.m[2][2] = zAxis.z;
    m.m[3][0] = -Vec3Dot(xAxis, eye);
    m.m[3][1] = -Vec3Dot(yAxis, eye);
    m.m[3][2] = -Vec3Dot(zAxis, eye);
    m.m[3][3] = 1.0f;
    return m;
}

Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
    const float c = 1.0f / std::tan(fovY * 0.5f);
    const float depth = zf - zn;
    // A zero aspect or depth range would put infinities into every transformed vertex.
    Matrix m;
    m.m[0][0] = aspect != 0.0f ? c / aspect : c;
    m.m[1][1] = c;
    m.m[2][2] = depth != 0.0f ? zf / depth : 1.0f;
    m.m[2][3] = 1.0f;
    m.m[3][2] = depth != 0.0f ? -zn * zf / depth : 0.0f;
    return m;
}

Quaternion QuaternionRotationAxis(Vector3 axis, float angle) {
    const Vector3 n = Vec3Normalize(axis);
    const float s = std::sin(angle * 0.5f);
    return {n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f)};
}

Quaternion QuaternionNormalize(const Quaternion& q) {
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(length > 0.0f)) {
        return {};
    }
    return {q.x / length, q.y / length, q.z / length, q.w / length};
}

Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t) {
    glm::quat qa = ToGlm(a);
    glm::quat qb = ToGlm(b);
    float cosine = glm::dot(qa, qb);
    if (cosine < 0.0f) {
        qb = -qb;
        cosine = -cosine;
    }
    // Nearly equal rotations: the sine below vanishes; a straight blend is exact enough.
    if (cosine > 0.9995f) {
        return QuaternionNormalize(FromGlm(qa * (1.0f - t) + qb * t));
    }
    const float angle = std::acos(std::min(cosine, 1.0f));
    const float sine = std::sin(angle);
    const float wa = std::sin((1.0f - t) * angle) / sine;
    const float wb = std::sin(t * angle) / sine;
    return FromGlm(qa * wa + qb * wb);
}

bool IsFinite(const Matrix& m) {
    for (const auto& row : m.m) {
        for (float value : row) {
            if (!std::isfinite(value)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace render
