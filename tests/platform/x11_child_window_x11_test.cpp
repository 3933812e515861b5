// The preview's child window on a real display: its waits sleep until a timer is due, a request
// to end the process arrives, or the window goes away.
#include <gtest/gtest.h>
// After the test framework: Xlib defines None, a name the framework uses.
#include <X11/Xlib.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/termination.h"
#include "platform/window.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Processor time this process has used, user and system together.
std::chrono::microseconds CpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// A child window of the root window, as the preview makes inside its parent. The connection that
// found the root stays open: a display whose last client leaves resets itself and may drop the
// window's own connection as it comes in.
std::unique_ptr<platform::Window> MakeChild() {
    static Display* const display = XOpenDisplay(nullptr);
    if (!display) {
        return nullptr;
    }
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = DefaultRootWindow(display);
    desc.rect = {10, 10, 60, 50};
    return platform::CreateNativeWindow(desc, nullptr);
}

// Takes messages until the window has been shown and painted once, and then all there are, so
// that what the test waits for comes next.
bool Settle(platform::Window& window) {
    const auto end = Clock::now() + 5s;
    platform::Message m;
    bool painted = false;
    while (!painted && Clock::now() < end) {
        if (window.PeekMessage(m)) {
            painted = m.message == platform::WM_PAINT;
        } else {
            std::this_thread::sleep_for(10ms);
        }
    }
    while (window.PeekMessage(m)) {
    }
    return painted;
}

TEST(X11ChildWindowWait, SleepsUntilTheTimerIsDue) {
    auto window = MakeChild();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Settle(*window));
    ASSERT_TRUE(window->SetTimer(1, 300));
    const auto cpuBefore = CpuTime();
    const auto start = Clock::now();
    window->WaitMessage();
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 2s);
    EXPECT_LT(CpuTime() - cpuBefore, 50ms) << "the wait kept the processor busy";
    platform::Message m;
    ASSERT_TRUE(window->PeekMessage(m)) << "the wait leaves the message to be taken";
    EXPECT_EQ(m.message, platform::WM_TIMER);
    EXPECT_EQ(m.wParam, 1u);
}

TEST(X11ChildWindowWait, WaitingWindowSeesARequestToEndAsOneClose) {
    // Held across the cases, so the display does not reset as one child leaves.
    Display* holder = XOpenDisplay(nullptr);
    ASSERT_NE(holder, nullptr);
    for (const int signal : {SIGTERM, SIGINT}) {
        EXPECT_EXIT(
            {
                alarm(10);  // a request that is never seen fails the case instead of hanging it
                platform::CatchTerminationRequests();
                auto window = MakeChild();
                if (!window) {
                    std::exit(2);
                }
                if (!Settle(*window)) {
                    std::exit(2);
                }
                // From another thread, as a request arrives while the main thread sleeps.
                std::thread sender([signal] {
                    std::this_thread::sleep_for(200ms);
                    kill(getpid(), signal);
                });
                const auto start = Clock::now();
                window->WaitMessage();
                const bool prompt = Clock::now() - start < 1500ms;
                sender.join();
                platform::Message m;
                const bool closed = window->PeekMessage(m) && m.message == platform::WM_CLOSE;
                while (window->PeekMessage(m)) {
                }
                // Once handed out, the request no longer wakes the waits: a timer does.
                window->SetTimer(2, 100);
                const auto cpuBefore = CpuTime();
                window->WaitMessage();
                const bool slept = CpuTime() - cpuBefore < 50ms;
                const bool timer = window->PeekMessage(m) && m.message == platform::WM_TIMER;
                std::exit(prompt && closed && slept && timer ? 0 : 1);
            },
            testing::ExitedWithCode(0), "")
            << "signal " << signal;
    }
    XCloseDisplay(holder);
}

}  // namespace
