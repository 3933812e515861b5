// Track: the keys of one animated component (position, scale or rotation) and their
// interpolation.
#pragma once

#include <cstdint>
#include <vector>

#include "render/scene/animation/key.h"

namespace render {

inline constexpr std::uint32_t kTrackCyclic = 0x1;  // neighbours wrap around the key range
inline constexpr std::uint32_t kTrackWrap = 0x2;    // time wraps into the key range
inline constexpr std::uint32_t kTrackLinear = 0x4;  // straight segments; cubic without it

// The ease curve of a segment: u in 0..1 mapped with ease-in a and ease-out b.
float EaseCurve(float u, float a, float b);

class Track {
public:
    enum class Kind { Vector, Rotation };

    explicit Track(Kind kind = Kind::Vector) : kind_(kind) {}

    // Inserts in time order; a key at a time already present replaces that key. Keys with a
    // non-finite field are refused.
    bool AddKey(const Key& key);
    // Replaces every key at once (in any order; of keys at one time the last counts). False,
    // and no keys, when one has a non-finite field.
    bool SetKeys(std::vector<Key> keys);
    void Clear();
    std::size_t KeyCount() const { return keys_.size(); }
    const std::vector<Key>& Keys() const { return keys_; }
    bool Empty() const { return keys_.empty(); }
    Kind GetKind() const { return kind_; }

    std::uint32_t Flags() const { return flags_; }
    void SetFlags(std::uint32_t flags);

    // The first and last key times; false for an empty track.
    bool GetTimeRange(float& start, float& end) const;

    // The value at `time` (x, y, z, w); false for an empty track.
    bool Evaluate(float time, float value[4]) const;

private:
    // Bezier control points of the segment from key i to key i + 1.
    struct Segment {
        bool valid = false;
        float points[4][4];
    };

    const Segment& SegmentAt(std::size_t index) const;
    // The neighbour of key `index` at `step` (-1 or +1) for the tangents, with its time;
    // false when there is none.
    bool Neighbour(std::size_t index, int step, Key& key) const;

    Kind kind_;
    std::vector<Key> keys_;
    std::uint32_t flags_ = 0;
    mutable std::vector<Segment> cache_;
};

}  // namespace render
