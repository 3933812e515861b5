// The clock's hands: their angles from the local time and the one rotation key each hand's track
// holds.
#pragma once

#include "core/time_source.h"
#include "render/scene/animation/key.h"

namespace clockscene {

inline constexpr float kPi = 3.1415927f;

struct HandAngles {
    float hour = 0.0f;    // radians about +Y; 0 points to 12
    float minute = 0.0f;  // radians about +Y, with the hand's fixed quarter turn back
};

// Continuous angles: the hour hand moves on with the minutes and seconds, the minute hand with
// the seconds and milliseconds.
HandAngles HandAnglesAt(const core::LocalTime& time);

// A key at time 0 turning about (0, 1, 0) by `angle`.
render::Key HandKey(float angle);

}  // namespace clockscene
