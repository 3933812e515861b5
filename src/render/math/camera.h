// Camera: the viewer's position, orientation and perspective, and the view, projection and
// frustum derived from them when first asked for after a change.
#pragma once

#include <array>

#include "render/math/matrix.h"

namespace render {

class Camera {
public:
    Camera();

    void SetPerspective(float nearDistance, float farDistance, float fov, float aspect);
    void SetNear(float nearDistance);
    void SetFar(float farDistance);
    void SetNearFar(float nearDistance, float farDistance);
    void SetFov(float fov);
    void SetAspect(float aspect);
    float GetNear() const { return near_; }
    float GetFar() const { return far_; }
    float GetFov() const { return fov_; }
    float GetAspect() const { return aspect_; }

    // `direction` is where the camera looks, not a target point.
    void SetView(Vector3 eye, Vector3 direction, Vector3 up);
    void SetEyeAndDirection(Vector3 eye, Vector3 direction);
    void SetEye(Vector3 eye);
    void SetUp(Vector3 up);
    Vector3 GetEye() const { return eye_; }
    Vector3 GetDirection() const { return direction_; }
    Vector3 GetUp() const { return up_; }

    const Matrix& GetView() const;
    const Matrix& GetProjection() const;
    const Matrix& GetViewProjection() const;
    // The near rectangle's four corners, then the far rectangle's.
    const std::array<Vector3, 8>& GetFrustumCorners() const;
    bool IsDirty() const { return dirty_; }

private:
    void Recompute() const;

    mutable Matrix view_;
    mutable Matrix projection_;
    mutable Matrix viewProjection_;
    float near_ = 1.0f;
    float far_ = 1000.0f;
    float fov_ = 0.785398f;
    float aspect_ = 4.0f / 3.0f;
    Vector3 eye_{};
    Vector3 direction_{0, 0, 1};
    Vector3 up_{0, 1, 0};
    mutable std::array<Vector3, 8> corners_{};
    mutable bool dirty_ = true;
};

}  // namespace render
