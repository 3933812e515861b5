// Key: one animation key as the scene file stores it (32 bytes).
#pragma once

#include "render/math/matrix.h"

namespace render {

struct Key {
    float time = 0.0f;
    // Position and scale: x, y, z (w unused); rotation: the quaternion x, y, z, w.
    float value[4] = {};
    // The ease of the segment that starts at this key: easeIn, easeOut; then one float unused.
    float extra[3] = {};

    Vector3 AsVector() const { return {value[0], value[1], value[2]}; }
    Quaternion AsQuaternion() const { return {value[0], value[1], value[2], value[3]}; }
};

static_assert(sizeof(Key) == 32, "a scene file's key is 32 bytes");

}  // namespace render
