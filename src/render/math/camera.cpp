#include "render/math/camera.h"

#include <cmath>

namespace render {

Camera::Camera() = default;

void Camera::SetPerspective(float nearDistance, float farDistance, float fov, float aspect) {
    near_ = nearDistance;
    far_ = farDistance;
    fov_ = fov;
    aspect_ = aspect;
    dirty_ = true;
}

void Camera::SetNear(float nearDistance) {
    near_ = nearDistance;
    dirty_ = true;
}

void Camera::SetFar(float farDistance) {
    far_ = farDistance;
    dirty_ = true;
}

void Camera::SetNearFar(float nearDistance, float farDistance) {
    near_ = nearDistance;
    far_ = farDistance;
    dirty_ = true;
}

void Camera::SetFov(float fov) {
    fov_ = fov;
    dirty_ = true;
}

void Camera::SetAspect(float aspect) {
    aspect_ = aspect;
    dirty_ = true;
}

void Camera::SetView(Vector3 eye, Vector3 direction, Vector3 up) {
    eye_ = eye;
    direction_ = direction;
    up_ = up;
    dirty_ = true;
}

void Camera::SetEyeAndDirection(Vector3 eye, Vector3 direction) {
    eye_ = eye;
    direction_ = direction;
    dirty_ = true;
}

void Camera::SetEye(Vector3 eye) {
    eye_ = eye;
    dirty_ = true;
}

void Camera::SetUp(Vector3 up) {
    up_ = up;
    dirty_ = true;
}

const Matrix& Camera::GetView() const {
    Recompute();
    return view_;
}

const Matrix& Camera::GetProjection() const {
    Recompute();
    return projection_;
}

const Matrix& Camera::GetViewProjection() const {
    Recompute();
    return viewProjection_;
}

const std::array<Vector3, 8>& Camera::GetFrustumCorners() const {
    Recompute();
    return corners_;
}

void Camera::Recompute() const {
    if (!dirty_) {
        return;
    }
    projection_ = MatrixPerspectiveFovLH(fov_, aspect_, near_, far_);
    view_ = MatrixLookAtLH(eye_, eye_ + direction_, up_);
    viewProjection_ = MatrixMultiply(view_, projection_);
    const Vector3 f = Vec3Normalize(direction_);
    const Vector3 u = Vec3Normalize(up_);
    const Vector3 r = Vec3Normalize(Vec3Cross(up_, direction_));
    const float t = std::tan(fov_ * 0.5f);
    const float distances[2] = {near_, far_};
    for (int plane = 0; plane < 2; ++plane) {
        const float d = distances[plane];
        const Vector3 centre = eye_ + f * d;
        const Vector3 across = r * (t * d * aspect_);
        const Vector3 high = u * (t * d);
        corners_[plane * 4 + 0] = centre - across + high;
        corners_[plane * 4 + 1] = centre + across + high;
        corners_[plane * 4 + 2] = centre + across - high;
        corners_[plane * 4 + 3] = centre - across - high;
    }
    dirty_ = false;
}

}  // namespace render
