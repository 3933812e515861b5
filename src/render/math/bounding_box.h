// BoundingBox: an axis-aligned box given by its centre and size.
#pragma once

#include <array>

#include "render/math/matrix.h"

namespace render {

struct BoundingBox {
    Vector3 centre;
    Vector3 size;

    Vector3 Min() const { return centre - size * 0.5f; }
    Vector3 Max() const { return centre + size * 0.5f; }
    std::array<Vector3, 8> Corners() const;
    // The axis-aligned box around this one carried by `m`.
    BoundingBox Transformed(const Matrix& m) const;
    // Touching counts as intersecting.
    bool Intersects(const BoundingBox& other) const;
    static BoundingBox FromMinMax(Vector3 low, Vector3 high);
};

}  // namespace render
