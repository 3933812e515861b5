#include "render/scene/animation/camera_path.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/scene/animation/key.h"
#include "udf/udf_binary_reader.h"
#include "udf/udf_node.h"
#include "vfs/stream.h"

namespace render {

CameraPath::CameraPath() = default;

void CameraPath::Load(const udf::UdfNode& root) {
    std::vector<Key> positions, rotations;
    for (const udf::UdfNode::Child& child : root.children()) {
        const udf::UdfNode& member = *child.node;
        if (member.isContainer() || member.size() != sizeof(Key) || !member.data()) {
            continue;
        }
        Key key;
        std::memcpy(&key, member.data(), sizeof key);
        (member.typeName().view() == "pos" ? positions : rotations).push_back(key);
    }
    // Any non-finite key spoils its whole track.
    if (!positionTrack_.SetKeys(std::move(positions))) {
        positionTrack_.Clear();
    }
    if (!rotationTrack_.SetKeys(std::move(rotations))) {
        rotationTrack_.Clear();
    }
}

bool CameraPath::LoadFile(vfs::FileSource source) {
    positionTrack_.Clear();
    rotationTrack_.Clear();
    std::unique_ptr<vfs::Stream> stream = source.open(vfs::kModeRead);
    if (!stream) {
        return false;
    }
    udf::UdfBinaryReader reader;
    udf::UdfNode* root = reader.attach(std::move(stream));
    if (!root || !root->load(0)) {
        return false;
    }
    Load(*root);
    return true;
}

bool CameraPath::GetTimeRange(float& start, float& end) const {
    float s0, e0, s1, e1;
    const bool position = positionTrack_.GetTimeRange(s0, e0);
    const bool rotation = rotationTrack_.GetTimeRange(s1, e1);
    if (!position && !rotation) {
        return false;
    }
    start = position && rotation ? std::min(s0, s1) : position ? s0 : s1;
    end = position && rotation ? std::max(e0, e1) : position ? e0 : e1;
    return true;
}

void CameraPath::Sample(float time) {
    float value[4];
    if (positionTrack_.Evaluate(time, value)) {
        position_ = {value[0], value[1], value[2]};
    }
    if (rotationTrack_.Evaluate(time, value)) {
        rotation_ = QuaternionNormalize({value[0], value[1], value[2], value[3]});
    }
}

Vector3 CameraPath::GetFront() const {
    return Vec3TransformNormal({0, 0, 1}, MatrixRotationQuaternion(rotation_));
}

Vector3 CameraPath::GetUp() const {
    return Vec3TransformNormal({0, 1, 0}, MatrixRotationQuaternion(rotation_));
}

}  // namespace render
