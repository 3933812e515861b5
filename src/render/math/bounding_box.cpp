#include "render/math/bounding_box.h"

#include <algorithm>

namespace render {

std::array<Vector3, 8> BoundingBox::Corners() const {
    const Vector3 low = Min();
    const Vector3 high = Max();
    std::array<Vector3, 8> corners;
    for (int i = 0; i < 8; ++i) {
        corners[std::size_t(i)] = {(i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y,
                                   (i & 4) ? high.z : low.z};
    }
    return corners;
}

BoundingBox BoundingBox::FromMinMax(Vector3 low, Vector3 high) {
    return {(low + high) * 0.5f, high - low};
}

BoundingBox BoundingBox::Transformed(const Matrix& m) const {
    const auto corners = Corners();
    Vector3 low = Vec3TransformPoint(corners[0], m);
    Vector3 high = low;
    for (const Vector3& corner : corners) {
        const Vector3 p = Vec3TransformPoint(corner, m);
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    return FromMinMax(low, high);
}

bool BoundingBox::Intersects(const BoundingBox& other) const {
    const Vector3 a0 = Min(), a1 = Max(), b0 = other.Min(), b1 = other.Max();
    return a0.x <= b1.x && b0.x <= a1.x && a0.y <= b1.y && b0.y <= a1.y && a0.z <= b1.z &&
           b0.z <= a1.z;
}

}  // namespace render
