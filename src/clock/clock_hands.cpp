#include "clock/clock_hands.h"

#include "render/math/matrix.h"

namespace clockscene {

HandAngles HandAnglesAt(const core::LocalTime& time) {
    const float s = (float(time.second) + float(time.millisecond) / 1000.0f) / 60.0f;
    const float m = (float(time.minute) + s) / 60.0f;
    // A negative hour (a broken clock) still lands on the dial.
    const int hour = ((time.hour % 12) + 12) % 12;
    const float h = (float(hour) + m) / 12.0f;
    return {2.0f * kPi * h, 2.0f * kPi * m - kPi / 2.0f};
}

render::Key HandKey(float angle) {
    const render::Quaternion q = render::QuaternionRotationAxis({0.0f, 1.0f, 0.0f}, angle);
    render::Key key;
    key.time = 0.0f;
    key.value[0] = q.x;
    key.value[1] = q.y;
    key.value[2] = q.z;
    key.value[3] = q.w;
    return key;
}

}  // namespace clockscene
