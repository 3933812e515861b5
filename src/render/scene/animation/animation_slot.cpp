#include "render/scene/animation/animation_slot.h"

#include <algorithm>
#include <cmath>

#include "render/scene/animation/animation.h"

namespace render {

namespace {

float Wrap(float t, float start, float end) {
    const float range = end - start;
    if (!(range > 0.0f) || !std::isfinite(t)) {
        return t;
    }
    float r = std::fmod(t - start, range);
    if (r < 0.0f) {
        r += range;
    }
    return start + r;
}

}  // namespace

void AnimationSlot::Start(std::int64_t now) {
    playing = true;
    paused = false;
    startTime = now;
}

void AnimationSlot::Pause(std::int64_t now) {
    if (!paused) {
        paused = true;
        pauseTime = now;
    }
}

void AnimationSlot::Resume(std::int64_t now) {
    if (paused) {
        paused = false;
        startTime += now - pauseTime;
    }
}

float AnimationSlot::Time(std::int64_t now) const {
    const std::int64_t at = paused ? pauseTime : now;
    float t = float(double(at - startTime) / 1000.0 * double(rate) - double(offset));
    float start = 0.0f;
    float end = 0.0f;
    const bool own = animation && animation->GetTimeRange(start, end);
    if (modeFlags & kSlotClampOwnRange) {
        if (own && std::isfinite(t)) {
            t = std::clamp(t, start, end);
        }
    } else if (modeFlags & kSlotWrapOwnRange) {
        if (own) {
            t = Wrap(t, start, end);
        }
    } else if (modeFlags & kSlotWrapExplicitRange) {
        t = Wrap(t, rangeStart, rangeEnd);
    }
    return t;
}

}  // namespace render
