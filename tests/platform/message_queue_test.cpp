#include "platform/message_queue.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "platform/termination.h"

namespace {

std::int64_t fakeNow = 0;
std::int64_t FakeClock() {
    return fakeNow;
}

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override { fakeNow = 1000; }
    platform::MessageQueue queue{&FakeClock};
};

TEST_F(MessageQueueTest, PostedMessagesComeBackInOrder) {
    queue.Post({7, platform::WM_USER, 1, 2});
    queue.Post({7, platform::WM_USER + 1, 3, 4});
    platform::Message m;
    ASSERT_TRUE(queue.TakePosted(m));
    EXPECT_EQ(m.message, platform::WM_USER);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.lParam, 2);
    ASSERT_TRUE(queue.TakePosted(m));
    EXPECT_EQ(m.message, platform::WM_USER + 1);
    EXPECT_FALSE(queue.TakePosted(m));
}

TEST_F(MessageQueueTest, TimerFiresOncePerPeriodAndNotBefore) {
    queue.SetTimer(7, 1, 500);
    platform::Message m;
    EXPECT_FALSE(queue.TakeDueTimer(m));
    EXPECT_EQ(queue.MillisecondsToNextTimer(), 500);
    fakeNow += 499;
    EXPECT_FALSE(queue.TakeDueTimer(m));
    fakeNow += 1;
    ASSERT_TRUE(queue.TakeDueTimer(m));
    EXPECT_EQ(m.message, platform::WM_TIMER);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.window, 7u);
    EXPECT_FALSE(queue.TakeDueTimer(m));
    // Late by several periods: still one message, and the next one a full period later.
    fakeNow += 2000;
    EXPECT_TRUE(queue.TakeDueTimer(m));
    EXPECT_FALSE(queue.TakeDueTimer(m));
    EXPECT_EQ(queue.MillisecondsToNextTimer(), 500);
}

TEST_F(MessageQueueTest, KilledOrReplacedTimers) {
    queue.SetTimer(7, 1, 100);
    queue.SetTimer(7, 1, 300);  // same id: replaces
    queue.SetTimer(7, 2, 200);
    platform::Message m;
    fakeNow += 200;
    ASSERT_TRUE(queue.TakeDueTimer(m));
    EXPECT_EQ(m.wParam, 2u);
    queue.KillTimer(2);
    fakeNow += 100;
    ASSERT_TRUE(queue.TakeDueTimer(m));
    EXPECT_EQ(m.wParam, 1u);
    queue.KillTimer(1);
    EXPECT_FALSE(queue.MillisecondsToNextTimer().has_value());
    fakeNow += 10000;
    EXPECT_FALSE(queue.TakeDueTimer(m));
}

TEST_F(MessageQueueTest, LongestDueTimerGoesFirst) {
    queue.SetTimer(7, 1, 300);
    queue.SetTimer(7, 2, 100);
    fakeNow += 400;
    platform::Message m;
    ASSERT_TRUE(queue.TakeDueTimer(m));
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_TRUE(queue.TakeDueTimer(m));
    EXPECT_EQ(m.wParam, 1u);
}

#if !defined(_WIN32)
// Signals are how Unix asks a process to end; Windows asks through the console and the session,
// which termination_requests_win32_test covers.
// The flag a caught request leaves stays set for the process, so each case runs in a child.
TEST(MessageQueueCloseRequest, EachCaughtSignalBecomesOneCloseOfTheWindow) {
    for (const int signal : {SIGTERM, SIGINT}) {
        EXPECT_EXIT(
            {
                platform::MessageQueue queue;
                platform::Message m;
                const bool quietBefore =
                    !queue.TakeCloseRequest(7, m) && queue.AwaitsCloseRequest();
                platform::CatchTerminationRequests();
                const bool stillQuiet = !queue.TakeCloseRequest(7, m);
                raise(signal);
                const bool closed = platform::TerminationRequested() &&
                                    queue.TakeCloseRequest(7, m) && m.window == 7 &&
                                    m.message == platform::WM_CLOSE;
                const bool once = !queue.TakeCloseRequest(7, m) && !queue.AwaitsCloseRequest();
                std::exit(quietBefore && stillQuiet && closed && once ? 0 : 1);
            },
            testing::ExitedWithCode(0), "")
            << "signal " << signal;
    }
}
#endif

}  // namespace
