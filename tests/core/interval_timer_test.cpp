#include "core/interval_timer.h"

#include <gtest/gtest.h>

namespace {

std::int64_t fakeNow = 0;
std::int64_t FakeClock() { return fakeNow; }

TEST(IntervalTimer, FiresOncePerPeriodAndRestarts) {
    fakeNow = 5000;
    core::IntervalTimer timer(&FakeClock);
    fakeNow = 5999;
    EXPECT_FALSE(timer.Elapsed(1000));
    fakeNow = 6000;
    EXPECT_TRUE(timer.Elapsed(1000));
    EXPECT_FALSE(timer.Elapsed(1000));  // restarted at 6000
    fakeNow = 6500;
    EXPECT_EQ(timer.ElapsedMilliseconds(), 500);
}

TEST(IntervalTimer, ClockGoingBackwardsByThePeriodCountsAsElapsed) {
    fakeNow = 10000;
    core::IntervalTimer timer(&FakeClock);
    fakeNow = 9500;
    EXPECT_FALSE(timer.Elapsed(1000));
    fakeNow = 9000;
    EXPECT_TRUE(timer.Elapsed(1000));
    fakeNow = 9999;
    EXPECT_FALSE(timer.Elapsed(1000));  // restarted at 9000
}

TEST(IntervalTimer, ZeroPeriodFiresEveryCall) {
    fakeNow = 1;
    core::IntervalTimer timer(&FakeClock);
    EXPECT_TRUE(timer.Elapsed(0));
    EXPECT_TRUE(timer.Elapsed(0));
}

TEST(NowMilliseconds, IsMonotonic) {
    const auto a = core::NowMilliseconds();
    const auto b = core::NowMilliseconds();
    EXPECT_LE(a, b);
}

}  // namespace
