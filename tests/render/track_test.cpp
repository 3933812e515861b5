#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/scene/animation/animation.h"
#include "render/scene/animation/animation_slot.h"
#include "render/scene/animation/track.h"
#include "scene_builder.h"
#include "udf/udf_node.h"

namespace {

using namespace render;

using test::MakeKey;

float At(const Track& track, float time, int component = 0) {
    float value[4] = {};
    EXPECT_TRUE(track.Evaluate(time, value));
    return value[component];
}

TEST(Track, EmptyTrackYieldsNothingAndOneKeyYieldsItEverywhere) {
    Track track;
    float value[4];
    EXPECT_FALSE(track.Evaluate(0.0f, value));
    track.AddKey(MakeKey(2.0f, 7.0f, 8.0f, 9.0f));
    for (float t : {-100.0f, 0.0f, 2.0f, 5.0f, 1e9f}) {
        EXPECT_FLOAT_EQ(At(track, t, 0), 7.0f) << t;
        EXPECT_FLOAT_EQ(At(track, t, 2), 9.0f) << t;
    }
}

TEST(Track, KeysStayOrderedAndAnEqualTimeReplaces) {
    Track track;
    track.AddKey(MakeKey(3, 30));
    track.AddKey(MakeKey(1, 10));
    track.AddKey(MakeKey(2, 20));
    track.AddKey(MakeKey(1, 11));
    ASSERT_EQ(track.KeyCount(), 3u);
    EXPECT_FLOAT_EQ(track.Keys()[0].value[0], 11.0f);
    EXPECT_FLOAT_EQ(track.Keys()[1].time, 2.0f);
    // Thousands of keys at one time collapse into one.
    Track crowded;
    for (int i = 0; i < 5000; ++i) {
        crowded.AddKey(MakeKey(0.5f, float(i)));
    }
    EXPECT_EQ(crowded.KeyCount(), 1u);
    EXPECT_FLOAT_EQ(At(crowded, 0.5f), 4999.0f);
    // Non-finite keys are refused.
    EXPECT_FALSE(track.AddKey(MakeKey(std::numeric_limits<float>::quiet_NaN(), 1)));
    EXPECT_FALSE(track.AddKey(MakeKey(4, std::numeric_limits<float>::infinity())));
    EXPECT_EQ(track.KeyCount(), 3u);
}

TEST(Track, ExactKeyTimesGiveTheKeysInBothModes) {
    for (std::uint32_t flags : {0u, kTrackLinear, kTrackCyclic}) {
        Track track;
        track.SetFlags(flags);
        const float values[] = {1.0f, -4.0f, 9.0f, 2.5f, 0.0f};
        for (int i = 0; i < 5; ++i) {
            track.AddKey(MakeKey(0.3f * float(i * i), values[i]));
        }
        for (int i = 0; i < 5; ++i) {
            EXPECT_FLOAT_EQ(At(track, 0.3f * float(i * i)), values[i]) << flags << " key " << i;
        }
        // Outside the keys the ends hold.
        EXPECT_FLOAT_EQ(At(track, -1.0f), 1.0f);
        EXPECT_FLOAT_EQ(At(track, 100.0f), 0.0f);
        EXPECT_FLOAT_EQ(At(track, std::numeric_limits<float>::quiet_NaN()), 1.0f);
    }
}

TEST(Track, LinearAndCubicSegments) {
    Track linear;
    linear.SetFlags(kTrackLinear);
    linear.AddKey(MakeKey(0, 0));
    linear.AddKey(MakeKey(1, 10));
    linear.AddKey(MakeKey(3, 10));
    EXPECT_FLOAT_EQ(At(linear, 0.25f), 2.5f);
    EXPECT_FLOAT_EQ(At(linear, 2.0f), 10.0f);

    // Evenly spaced keys on a line: the cubic passes through the same points as the line.
    Track cubic;
    for (int i = 0; i < 5; ++i) {
        cubic.AddKey(MakeKey(float(i), 2.0f * float(i)));
    }
    EXPECT_NEAR(At(cubic, 1.5f), 3.0f, 1e-5f);
    EXPECT_NEAR(At(cubic, 0.25f), 0.5f, 1e-5f);

    // Through a peak the cubic is smooth: its slope is continuous across a key, where the
    // straight segments would turn a corner.
    Track peak;
    peak.AddKey(MakeKey(0, 0));
    peak.AddKey(MakeKey(1, 1));
    peak.AddKey(MakeKey(2, 0));
    peak.AddKey(MakeKey(3, 1));
    const float h = 1e-3f;
    const float before = (At(peak, 2.0f) - At(peak, 2.0f - h)) / h;
    const float after = (At(peak, 2.0f + h) - At(peak, 2.0f)) / h;
    EXPECT_NEAR(before, after, 0.02f);
    EXPECT_GT(At(peak, 1.25f), 0.8f);  // stays near the peak longer than a straight line
}

TEST(Track, RotationSlerpsToFortyFiveDegrees) {
    for (std::uint32_t flags : {kTrackLinear, 0u}) {
        Track track(Track::Kind::Rotation);
        track.SetFlags(flags);
        track.AddKey(MakeKey(0, 0, 0, 0, 1));
        track.AddKey(MakeKey(1, 0, 0, 0.7071068f, 0.7071068f));
        float q[4];
        ASSERT_TRUE(track.Evaluate(0.5f, q));
        const float angle = 2.0f * std::atan2(q[2], q[3]);
        EXPECT_NEAR(angle, 3.14159265f / 4, 1e-4f) << flags;
        EXPECT_NEAR(q[0], 0.0f, 1e-6f);
        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0f, 1e-5f);
    }
}

TEST(Track, EaseCurve) {
    EXPECT_FLOAT_EQ(EaseCurve(0.25f, 0.5f, 0.5f), 0.125f);
    EXPECT_FLOAT_EQ(EaseCurve(0.75f, 0.5f, 0.5f), 0.875f);
    EXPECT_FLOAT_EQ(EaseCurve(0.3f, 0.0f, 0.0f), 0.3f);
    // Sums over 1 are scaled back to 1; both ends reach 0 and 1 for any parameters.
    EXPECT_FLOAT_EQ(EaseCurve(0.25f, 1.0f, 1.0f), 0.125f);
    for (auto [a, b] : {std::pair{0.0f, 0.4f}, {0.4f, 0.0f}, {0.2f, 0.3f}, {-1.0f, 2.0f}}) {
        EXPECT_NEAR(EaseCurve(0.0f, a, b), 0.0f, 1e-6f);
        EXPECT_NEAR(EaseCurve(1.0f, a, b), 1.0f, 1e-6f);
        // Continuous where the pieces meet.
        float previous = 0.0f;
        for (int i = 1; i <= 100; ++i) {
            const float e = EaseCurve(float(i) / 100.0f, a, b);
            EXPECT_GE(e, previous - 1e-6f);
            EXPECT_LT(e - previous, 0.05f);
            previous = e;
        }
    }
    // The key's ease parameters shape its segment.
    Track track;
    track.SetFlags(kTrackLinear);
    Key first = MakeKey(0, 0);
    first.extra[0] = 0.5f;
    first.extra[1] = 0.5f;
    track.AddKey(first);
    track.AddKey(MakeKey(1, 8));
    EXPECT_FLOAT_EQ(At(track, 0.25f), 1.0f);
}

TEST(Track, WrappingTimeAndCyclicNeighbours) {
    Track track;
    track.SetFlags(kTrackLinear | kTrackWrap);
    track.AddKey(MakeKey(1, 0));
    track.AddKey(MakeKey(3, 4));
    EXPECT_FLOAT_EQ(At(track, 4.0f), 2.0f);
    EXPECT_FLOAT_EQ(At(track, -0.5f), 1.0f);

    // A closed loop sampled with cyclic neighbours has no corner at the seam.
    Track loop;
    loop.SetFlags(kTrackCyclic | kTrackWrap);
    loop.AddKey(MakeKey(0, 0));
    loop.AddKey(MakeKey(1, 1));
    loop.AddKey(MakeKey(2, 0));
    loop.AddKey(MakeKey(3, -1));
    loop.AddKey(MakeKey(4, 0));
    const float h = 1e-3f;
    const float before = (At(loop, 4.0f - h * 0.5f) - At(loop, 4.0f - h * 1.5f)) / h;
    const float after = (At(loop, h * 1.5f) - At(loop, h * 0.5f)) / h;
    EXPECT_NEAR(before, after, 0.05f);
}

std::unique_ptr<udf::UdfNode> KeyArray(const std::string& name, const std::string& type,
                                       const std::vector<Key>& keys) {
    auto array = udf::UdfNode::makeArray(name, type, std::uint32_t(keys.size()));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        array->addLeaf(std::to_string(i), "AniKey", &keys[i], sizeof(Key), true);
    }
    return array;
}

TEST(Animation, LoadEvaluatesScaleRotationTranslationInOrder) {
    udf::UdfNode record("Animation");
    record.addChild(KeyArray("Position", "Sample", {MakeKey(0, 0, 0, 0), MakeKey(2, 10, 0, 0)}));
    record.addChild(KeyArray("Scale", "Linear", {MakeKey(0, 2, 2, 2)}));
    record.addChild(KeyArray("Rotation", "Sample", {MakeKey(1, 0, 0, 0.7071068f, 0.7071068f)}));
    Animation animation;
    ASSERT_TRUE(animation.Load(record));
    EXPECT_TRUE(animation.GetPositionTrack().Flags() & kTrackLinear);
    Matrix m;
    ASSERT_TRUE(animation.Evaluate(1.0f, m));
    // (1, 0, 0) scaled to 2, turned a quarter about z to (0, 2, 0), then moved by (5, 0, 0).
    const Vector3 p = Vec3TransformPoint({1, 0, 0}, m);
    EXPECT_NEAR(p.x, 5.0f, 1e-5f);
    EXPECT_NEAR(p.y, 2.0f, 1e-5f);
    float start = 0, end = 0;
    ASSERT_TRUE(animation.GetTimeRange(start, end));
    EXPECT_FLOAT_EQ(start, 0.0f);
    EXPECT_FLOAT_EQ(end, 2.0f);
}

TEST(Animation, BadKeysStopTheLoadAndLeaveNoTracks) {
    udf::UdfNode record("Animation");
    auto array = KeyArray("Rotation", "Sample", {MakeKey(0, 0, 0, 0, 1)});
    const float shortKey[7] = {};
    array->addLeaf("1", "AniKey", shortKey, sizeof shortKey, true);
    record.addChild(std::move(array));
    Animation animation;
    EXPECT_FALSE(animation.Load(record));
    Matrix m;
    EXPECT_FALSE(animation.Evaluate(0.0f, m));

    udf::UdfNode nan("Animation");
    nan.addChild(
        KeyArray("Position", "Sample", {MakeKey(0, std::numeric_limits<float>::quiet_NaN())}));
    EXPECT_FALSE(animation.Load(nan));
    float s, e;
    EXPECT_FALSE(animation.GetTimeRange(s, e));

    // Keys in any order are sorted; of two at one time the later one counts.
    udf::UdfNode shuffled("Animation");
    shuffled.addChild(KeyArray("Position", "Linear",
                               {MakeKey(2, 20), MakeKey(0, 0), MakeKey(2, 40), MakeKey(1, 5)}));
    ASSERT_TRUE(animation.Load(shuffled));
    ASSERT_EQ(animation.GetPositionTrack().KeyCount(), 3u);
    float value[4];
    ASSERT_TRUE(animation.GetPositionTrack().Evaluate(1.5f, value));
    EXPECT_FLOAT_EQ(value[0], 22.5f);

    // Another type name loads the keys for cubic interpolation.
    udf::UdfNode cubic("Animation");
    cubic.addChild(KeyArray("Position", "Bezier", {MakeKey(0, 1), MakeKey(1, 2)}));
    ASSERT_TRUE(animation.Load(cubic));
    EXPECT_EQ(animation.GetPositionTrack().Flags() & kTrackLinear, 0u);
}

TEST(AnimationSlot, TimeRateOffsetAndModes) {
    auto animation = std::make_shared<Animation>();
    animation->GetPositionTrack().AddKey(MakeKey(1, 0));
    animation->GetPositionTrack().AddKey(MakeKey(3, 0));
    AnimationSlot slot;
    slot.animation = animation;
    slot.Start(10'000);
    slot.rate = 2.0f;
    slot.offset = 0.5f;
    EXPECT_FLOAT_EQ(slot.Time(12'000), 3.5f);
    slot.modeFlags = kSlotClampOwnRange | kSlotWrapOwnRange;  // clamping wins
    EXPECT_FLOAT_EQ(slot.Time(12'000), 3.0f);
    slot.modeFlags = kSlotWrapOwnRange;
    EXPECT_FLOAT_EQ(slot.Time(12'000), 1.5f);
    EXPECT_FLOAT_EQ(slot.Time(10'000), 1.5f);  // -0.5 wraps forward
    slot.modeFlags = kSlotWrapExplicitRange;
    slot.rangeStart = 0.0f;
    slot.rangeEnd = 2.0f;
    EXPECT_FLOAT_EQ(slot.Time(12'000), 1.5f);
}

TEST(AnimationSlot, PauseFreezesAndResumeContinues) {
    AnimationSlot slot;
    slot.Start(1000);
    EXPECT_TRUE(slot.playing);
    slot.Pause(3000);
    EXPECT_FLOAT_EQ(slot.Time(9000), 2.0f);
    slot.Resume(8000);
    EXPECT_FLOAT_EQ(slot.Time(8000), 2.0f);
    EXPECT_FLOAT_EQ(slot.Time(9000), 3.0f);
}

}  // namespace
