// AnimationSlot: one numbered place in a node where an animation plays, with its own clock.
#pragma once

#include <cstdint>
#include <memory>

namespace render {

class Animation;

inline constexpr std::uint32_t kSlotWrapOwnRange = 0x2;       // wrap into the keys' range
inline constexpr std::uint32_t kSlotClampOwnRange = 0x4;      // clamp into the keys' range
inline constexpr std::uint32_t kSlotWrapExplicitRange = 0x8;  // wrap into rangeStart..rangeEnd

struct AnimationSlot {
    std::shared_ptr<Animation> animation;
    bool playing = false;
    std::int64_t startTime = 0;  // milliseconds of the engine's clock
    float rate = 1.0f;
    float offset = 0.0f;
    std::uint32_t modeFlags = 0;
    float rangeStart = 0.0f;
    float rangeEnd = 0.0f;
    bool paused = false;
    std::int64_t pauseTime = 0;

    void Start(std::int64_t now);
    void Pause(std::int64_t now);
    void Resume(std::int64_t now);
    // The animation time in seconds at `now`; a paused slot stays at the moment it paused.
    float Time(std::int64_t now) const;
};

}  // namespace render
