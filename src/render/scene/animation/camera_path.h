// CameraPath: a recorded camera flight, a position track and a rotation track, read from a
// camera path file and sampled for the camera's position, front and up directions.
#pragma once

#include "render/math/matrix.h"
#include "render/scene/animation/track.h"
#include "vfs/file_source.h"

namespace udf {
class UdfNode;
}

namespace render {

class CameraPath {
public:
    CameraPath();

    // Clears both tracks, then adds each 32-byte member of `root` in file order: type "pos" to
    // the position track, any other type to the rotation track.
    void Load(const udf::UdfNode& root);
    // The same from a file; a file that can't be opened or parsed leaves the tracks empty.
    bool LoadFile(vfs::FileSource source);

    // First and last key times of both tracks; false without keys.
    bool GetTimeRange(float& start, float& end) const;
    // Moves the current position and orientation to `time`.
    void Sample(float time);

    Vector3 GetPosition() const { return position_; }
    // The rotated (0, 0, 1) and (0, 1, 0).
    Vector3 GetFront() const;
    Vector3 GetUp() const;
    const Track& GetPositionTrack() const { return positionTrack_; }
    const Track& GetRotationTrack() const { return rotationTrack_; }

private:
    Track positionTrack_{Track::Kind::Vector};
    Track rotationTrack_{Track::Kind::Rotation};
    Vector3 position_{};
    Quaternion rotation_{};
};

}  // namespace render
