#include "platform/linux/gl/frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that only moves when the pacer sleeps or the test says time passed.
struct FakeTime {
    std::int64_t now = 1000;
    std::vector<std::int64_t> sleeps;

    gfx::gl::FramePacer Pacer() {
        return gfx::gl::FramePacer([this] { return now; },
                                   [this](std::int64_t micros) {
                                       sleeps.push_back(micros);
                                       now += micros;
                                   });
    }
};

TEST(FramePacer, FastFramesAreHeldToOneARefreshAndSlowOnesAreNotMadeUpFor) {
    FakeTime time;
    auto pacer = time.Pacer();
    pacer.SetRefreshRate(50);  // 20 ms
    pacer.AfterSwap();
    EXPECT_TRUE(time.sleeps.empty()) << "the first frame has nothing to keep apart from";

    // A frame drawn in 5 ms waits out the other 15.
    time.now += 5000;
    pacer.AfterSwap();
    ASSERT_EQ(time.sleeps.size(), 1u);
    EXPECT_EQ(time.sleeps[0], 15000);

    // A frame of 35 ms is late already: no sleep, and the next period counts from it.
    time.now += 35000;
    pacer.AfterSwap();
    EXPECT_EQ(time.sleeps.size(), 1u);
    time.now += 19800;
    pacer.AfterSwap();
    EXPECT_EQ(time.sleeps.size(), 1u) << "a fraction of a millisecond is not slept";

    // A swap that waited for the display itself (a whole period) leaves nothing to sleep.
    for (int i = 0; i < 10; ++i) {
        time.now += 20000;
        pacer.AfterSwap();
    }
    EXPECT_EQ(time.sleeps.size(), 1u);
}

TEST(FramePacer, AnUnknownOrImplausibleRefreshRateIsTakenAsSixty) {
    FakeTime time;
    auto pacer = time.Pacer();
    for (const int hertz : {0, -5, 3, 100000}) {
        pacer.SetRefreshRate(hertz);
        EXPECT_EQ(pacer.PeriodMicros(), 1000000 / 60) << hertz;
    }
    pacer.SetRefreshRate(144);
    EXPECT_EQ(pacer.PeriodMicros(), 1000000 / 144);
}

TEST(FramePacer, ATimeGoingBackwardsIsNotSleptOn) {
    FakeTime time;
    auto pacer = time.Pacer();
    pacer.AfterSwap();
    time.now -= 500000;
    pacer.AfterSwap();
    EXPECT_TRUE(time.sleeps.empty());
}

}  // namespace
