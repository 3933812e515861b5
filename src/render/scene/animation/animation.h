// Animation: the scale, rotation and position tracks of a node, loaded from a scene file's
// "Animation" record.
#pragma once

#include <cstdint>
#include <memory>

#include "render/math/matrix.h"
#include "render/scene/animation/track.h"

namespace udf {
class UdfNode;
}

namespace render {

// Which components an animation gave (Animation::Sample).
inline constexpr std::uint32_t kAnimatedScale = 0x1;
inline constexpr std::uint32_t kAnimatedRotation = 0x2;
inline constexpr std::uint32_t kAnimatedPosition = 0x4;

class Animation {
public:
    Animation();

    // Replaces every track with the record's "Position", "Scale" and "Rotation" keys. False when
    // a key is not 32 bytes or not finite; the tracks are then left empty.
    bool Load(const udf::UdfNode& record);

    // scale x rotation x translation of the tracks that have keys; false when none has.
    bool Evaluate(float time, Matrix& matrix) const;
    // The components at `time` of the tracks that have keys (the others are left as given);
    // returns which ones were set.
    std::uint32_t Sample(float time, Vector3& scale, Quaternion& rotation, Vector3& position) const;
    // The union of the key ranges of the tracks that have keys; false when none has.
    bool GetTimeRange(float& start, float& end) const;

    Track& GetScaleTrack() { return *scale_; }
    Track& GetRotationTrack() { return *rotation_; }
    Track& GetPositionTrack() { return *position_; }
    // Plays a track owned elsewhere: keys written into it show at the next evaluation.
    void SetRotationTrack(std::shared_ptr<Track> track) { rotation_ = std::move(track); }
    void SetPositionTrack(std::shared_ptr<Track> track) { position_ = std::move(track); }
    void SetScaleTrack(std::shared_ptr<Track> track) { scale_ = std::move(track); }

private:
    std::shared_ptr<Track> scale_;
    std::shared_ptr<Track> rotation_;
    std::shared_ptr<Track> position_;
};

}  // namespace render
