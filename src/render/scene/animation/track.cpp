#include "render/scene/animation/track.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// Key times closer than this count as one moment.
constexpr float kTimeEpsilon = 0.0001f;

float Sanitised(float ease) {
    return std::isfinite(ease) && ease > 0.0f ? ease : 0.0f;
}

void Lerp(const float a[4], const float b[4], float u, float out[4]) {
    for (int i = 0; i < 4; ++i) {
        out[i] = a[i] + (b[i] - a[i]) * u;
    }
}

void Slerp(const float a[4], const float b[4], float u, float out[4]) {
    const Quaternion q = QuaternionSlerp({a[0], a[1], a[2], a[3]}, {b[0], b[1], b[2], b[3]}, u);
    out[0] = q.x;
    out[1] = q.y;
    out[2] = q.z;
    out[3] = q.w;
}

float Dot4(const float a[4], const float b[4]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

void Negate(float v[4]) {
    for (int i = 0; i < 4; ++i) {
        v[i] = -v[i];
    }
}

bool FiniteKey(const Key& key) {
    if (!std::isfinite(key.time)) {
        return false;
    }
    for (float v : key.value) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    for (float v : key.extra) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

}  // namespace

float EaseCurve(float u, float a, float b) {
    a = Sanitised(a);
    b = Sanitised(b);
    u = std::clamp(u, 0.0f, 1.0f);
    const float sum = a + b;
    if (sum == 0.0f) {
        return u;
    }
    if (sum > 1.0f) {
        a /= sum;
        b /= sum;
    }
    const float g = 1.0f / (2.0f - a - b);
    if (u < a) {
        return g * u * u / a;
    }
    if (u < 1.0f - b) {
        return g * (2.0f * u - a);
    }
    if (b <= 0.0f) {
        return 1.0f;
    }
    return 1.0f - g * (1.0f - u) * (1.0f - u) / b;
}

bool Track::AddKey(const Key& key) {
    if (!FiniteKey(key)) {
        return false;
    }
    auto at = std::lower_bound(keys_.begin(), keys_.end(), key.time,
                               [](const Key& k, float time) { return k.time < time; });
    if (at != keys_.end() && at->time == key.time) {
        *at = key;
    } else {
        keys_.insert(at, key);
    }
    cache_.clear();
    return true;
}

bool Track::SetKeys(std::vector<Key> keys) {
    Clear();
    for (const Key& key : keys) {
        if (!FiniteKey(key)) {
            return false;
        }
    }
    // Keys at one time keep their file order so the last of them wins. An index sort instead of
    // std::stable_sort: libstdc++ 12's temporary buffer frees with the wrong call under
    // AddressSanitizer.
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) {
        return keys[a].time < keys[b].time || (keys[a].time == keys[b].time && a < b);
    });
    for (std::size_t index : order) {
        const Key& key = keys[index];
        if (!keys_.empty() && keys_.back().time == key.time) {
            keys_.back() = key;
        } else {
            keys_.push_back(key);
        }
    }
    return true;
}

void Track::Clear() {
    keys_.clear();
    cache_.clear();
}

void Track::SetFlags(std::uint32_t flags) {
    flags_ = flags;
    cache_.clear();
}

bool Track::GetTimeRange(float& start, float& end) const {
    if (keys_.empty()) {
        return false;
    }
    start = keys_.front().time;
    end = keys_.back().time;
    return true;
}

bool Track::Neighbour(std::size_t index, int step, Key& key) const {
    const std::size_t count = keys_.size();
    if (step < 0 && index > 0) {
        key = keys_[index - 1];
        return true;
    }
    if (step > 0 && index + 1 < count) {
        key = keys_[index + 1];
        return true;
    }
    if (!(flags_ & kTrackCyclic) || count < 3) {
        return false;
    }
    // The first and last keys stand for the same moment of the cycle, so the neighbour across
    // the seam is the key next to the other end, one period away.
    const float period = keys_.back().time - keys_.front().time;
    key = step < 0 ? keys_[count - 2] : keys_[1];
    key.time += step < 0 ? -period : period;
    return true;
}

const Track::Segment& Track::SegmentAt(std::size_t index) const {
    if (cache_.size() != keys_.size()) {
        cache_.assign(keys_.size(), Segment{});
    }
    Segment& segment = cache_[index];
    if (segment.valid) {
        return segment;
    }
    const Key& k1 = keys_[index];
    const Key& k2 = keys_[index + 1];
    float p1[4], p2[4], p0[4], p3[4];
    std::copy(k1.value, k1.value + 4, p1);
    std::copy(k2.value, k2.value + 4, p2);
    const bool rotation = kind_ == Kind::Rotation;
    if (rotation && Dot4(p1, p2) < 0.0f) {
        Negate(p2);
    }
    const float t1 = k1.time;
    const float t2 = k2.time;
    // Catmull-Rom tangents scaled to the segment's length in time; without a neighbour the
    // tangent points straight at the other key, so a lone segment is a straight line.
    float m1[4], m2[4];
    for (int i = 0; i < 4; ++i) {
        m1[i] = m2[i] = p2[i] - p1[i];
    }
    Key n;
    if (Neighbour(index, -1, n) && t2 - n.time > kTimeEpsilon) {
        std::copy(n.value, n.value + 4, p0);
        if (rotation && Dot4(p0, p1) < 0.0f) {
            Negate(p0);
        }
        const float scale = (t2 - t1) / (t2 - n.time);
        for (int i = 0; i < 4; ++i) {
            m1[i] = (p2[i] - p0[i]) * scale;
        }
    }
    if (Neighbour(index + 1, +1, n) && n.time - t1 > kTimeEpsilon) {
        std::copy(n.value, n.value + 4, p3);
        if (rotation && Dot4(p3, p2) < 0.0f) {
            Negate(p3);
        }
        const float scale = (t2 - t1) / (n.time - t1);
        for (int i = 0; i < 4; ++i) {
            m2[i] = (p3[i] - p1[i]) * scale;
        }
    }
    for (int i = 0; i < 4; ++i) {
        segment.points[0][i] = p1[i];
        segment.points[1][i] = p1[i] + m1[i] / 3.0f;
        segment.points[2][i] = p2[i] - m2[i] / 3.0f;
        segment.points[3][i] = p2[i];
    }
    if (rotation) {
        for (int c = 1; c < 3; ++c) {
            const Quaternion q = QuaternionNormalize({segment.points[c][0], segment.points[c][1],
                                                      segment.points[c][2], segment.points[c][3]});
            segment.points[c][0] = q.x;
            segment.points[c][1] = q.y;
            segment.points[c][2] = q.z;
            segment.points[c][3] = q.w;
        }
    }
    segment.valid = true;
    return segment;
}

bool Track::Evaluate(float time, float value[4]) const {
    if (keys_.empty()) {
        return false;
    }
    auto copyKey = [&](const Key& key) {
        std::copy(key.value, key.value + 4, value);
        return true;
    };
    if (!std::isfinite(time)) {
        return copyKey(keys_.front());
    }
    if (flags_ & kTrackWrap) {
        const float start = keys_.front().time;
        const float range = keys_.back().time - start;
        if (range > 0.0f) {
            float r = std::fmod(time - start, range);
            if (r < 0.0f) {
                r += range;
            }
            time = start + r;
        }
    }
    // q: the first key at or after the time; p: the last key at or before it.
    auto q = std::lower_bound(keys_.begin(), keys_.end(), time,
                              [](const Key& k, float t) { return k.time < t; });
    if (q == keys_.begin()) {
        return copyKey(keys_.front());
    }
    if (q == keys_.end()) {
        return copyKey(keys_.back());
    }
    if (q->time == time) {
        return copyKey(*q);
    }
    const auto p = q - 1;
    const float span = q->time - p->time;
    if (span < kTimeEpsilon) {
        return copyKey(*p);
    }
    const float u = EaseCurve((time - p->time) / span, p->extra[0], p->extra[1]);
    const bool rotation = kind_ == Kind::Rotation;
    const auto blend = rotation ? &Slerp : &Lerp;
    if (flags_ & kTrackLinear) {
        blend(p->value, q->value, u, value);
        return true;
    }
    const Segment& segment = SegmentAt(std::size_t(p - keys_.begin()));
    // de Casteljau: three rounds of blending the control points pairwise.
    float points[4][4];
    std::copy(&segment.points[0][0], &segment.points[0][0] + 16, &points[0][0]);
    for (int round = 3; round > 0; --round) {
        for (int i = 0; i < round; ++i) {
            float next[4];
            blend(points[i], points[i + 1], u, next);
            std::copy(next, next + 4, points[i]);
        }
    }
    std::copy(points[0], points[0] + 4, value);
    return true;
}

}  // namespace render
