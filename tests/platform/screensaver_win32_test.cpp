// The desktop's screen-saver state on Windows: the system's flag while the saver runs, and the
// preview's thread at idle priority.
#include <gtest/gtest.h>

#include <thread>

#include "platform/screensaver.h"
#include "platform/win32/win32_api.h"

namespace {

bool SystemSaysASaverRuns() {
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running != FALSE;
}

TEST(ScreensaverWin32, RunningFlagIsTheSystems) {
    platform::SetScreenSaverRunning(true);
    EXPECT_TRUE(SystemSaysASaverRuns());
    platform::SetScreenSaverRunning(false);
    EXPECT_FALSE(SystemSaysASaverRuns());
}

TEST(ScreensaverWin32, IdlePriorityIsTheCallingThreadsAlone) {
    int inside = 0;
    std::thread preview([&] {
        platform::SetIdlePriority();
        inside = GetThreadPriority(GetCurrentThread());
    });
    preview.join();
    EXPECT_EQ(inside, THREAD_PRIORITY_IDLE);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
}

}  // namespace
