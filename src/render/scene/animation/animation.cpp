#include "render/scene/animation/animation.h"

#include <cstring>
#include <vector>

#include "udf/udf_node.h"

namespace render {

namespace {

bool LoadTrack(const udf::UdfNode& keys, Track& track) {
    const std::string_view type = keys.typeName().view();
    if (type == "Sample" || type == "Linear") {
        track.SetFlags(kTrackLinear);
    }
    std::vector<Key> loaded;
    loaded.reserve(keys.childCount());
    for (const udf::UdfNode::Child& child : keys.children()) {
        const udf::UdfNode& element = *child.node;
        if (element.size() != sizeof(Key) || !element.data()) {
            return false;
        }
        Key key;
        std::memcpy(&key, element.data(), sizeof key);
        loaded.push_back(key);
    }
    // Sorted once: a file's keys may come in any order, and many of them.
    return track.SetKeys(std::move(loaded));
}

}  // namespace

Animation::Animation()
    : scale_(std::make_shared<Track>(Track::Kind::Vector)),
      rotation_(std::make_shared<Track>(Track::Kind::Rotation)),
      position_(std::make_shared<Track>(Track::Kind::Vector)) {}

bool Animation::Load(const udf::UdfNode& record) {
    scale_ = std::make_shared<Track>(Track::Kind::Vector);
    rotation_ = std::make_shared<Track>(Track::Kind::Rotation);
    position_ = std::make_shared<Track>(Track::Kind::Vector);
    const std::pair<const char*, Track*> members[] = {
        {"Position", position_.get()}, {"Scale", scale_.get()}, {"Rotation", rotation_.get()}};
    for (const auto& [name, track] : members) {
        const udf::UdfNode* keys = record.findChild(name);
        if (keys && !LoadTrack(*keys, *track)) {
            scale_->Clear();
            rotation_->Clear();
            position_->Clear();
            return false;
        }
    }
    return true;
}

std::uint32_t Animation::Sample(float time, Vector3& scale, Quaternion& rotation,
                                Vector3& position) const {
    std::uint32_t set = 0;
    float value[4];
    if (scale_->Evaluate(time, value)) {
        scale = {value[0], value[1], value[2]};
        set |= kAnimatedScale;
    }
    if (rotation_->Evaluate(time, value)) {
        rotation = QuaternionNormalize({value[0], value[1], value[2], value[3]});
        set |= kAnimatedRotation;
    }
    if (position_->Evaluate(time, value)) {
        position = {value[0], value[1], value[2]};
        set |= kAnimatedPosition;
    }
    return set;
}

bool Animation::Evaluate(float time, Matrix& matrix) const {
    Vector3 scale{1, 1, 1};
    Quaternion rotation;
    Vector3 position;
    const std::uint32_t set = Sample(time, scale, rotation, position);
    if (!set) {
        return false;
    }
    Matrix result = MatrixIdentity();
    if (set & kAnimatedScale) {
        result = MatrixScaling(scale.x, scale.y, scale.z);
    }
    if (set & kAnimatedRotation) {
        result = MatrixMultiply(result, MatrixRotationQuaternion(rotation));
    }
    if (set & kAnimatedPosition) {
        result = MatrixMultiply(result, MatrixTranslation(position.x, position.y, position.z));
    }
    result.classification = kMatrixGeneral;
    matrix = result;
    return true;
}

bool Animation::GetTimeRange(float& start, float& end) const {
    bool any = false;
    for (const Track* track : {scale_.get(), rotation_.get(), position_.get()}) {
        float s, e;
        if (!track->GetTimeRange(s, e)) {
            continue;
        }
        if (!any) {
            start = s;
            end = e;
            any = true;
        } else {
            start = std::min(start, s);
            end = std::max(end, e);
        }
    }
    return any;
}

}  // namespace render
