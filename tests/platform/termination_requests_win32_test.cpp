// Requests to end the process on Windows: Ctrl+C on the console and the end of the session reach
// the window as one WM_CLOSE, and a wait for messages wakes for them.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/termination.h"
#include "platform/window.h"
#include "platform/win32/win32_api.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::unique_ptr<platform::Window> MakePopup() {
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Popup;
    return platform::CreateNativeWindow(desc, nullptr);
}

// Takes what the window's making left in the queue.
void Drain(platform::Window& window) {
    platform::Message m;
    while (window.PeekMessage(m)) {
        window.DispatchMessage(m);
    }
}

// Each case needs a process of its own, as CTest runs them: a request can't be taken back.
#define SKIP_AFTER_AN_EARLIER_REQUEST()                                               \
    if (platform::TerminationRequested()) {                                           \
        GTEST_SKIP() << "a request was made earlier in this process; run it alone"; \
    }

TEST(TerminationRequestsWin32, CtrlCWakesTheWaitAndArrivesAsOneClose) {
    SKIP_AFTER_AN_EARLIER_REQUEST();
    platform::CatchTerminationRequests();
    auto window = MakePopup();
    ASSERT_NE(window, nullptr);
    Drain(*window);

    // A test run's console may be one Ctrl+C can't be typed into; it gets a console of its own.
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    }
    // The handler runs on a thread of its own; the wait must wake for it.
    const auto start = Clock::now();
    platform::Message m;
    bool closed = false;
    while (!closed && Clock::now() - start < 5s) {
        ASSERT_TRUE(window->GetMessage(m));
        closed = m.message == WM_CLOSE;
        window->DispatchMessage(m);
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(platform::TerminationRequested());
    EXPECT_EQ(m.window, window->Handle());
    // Once: the program's own shutdown takes it from there.
    while (window->PeekMessage(m)) {
        EXPECT_NE(m.message, std::uint32_t(WM_CLOSE));
        window->DispatchMessage(m);
    }
}

TEST(TerminationRequestsWin32, EndOfTheSessionArrivesAsOneClose) {
    SKIP_AFTER_AN_EARLIER_REQUEST();
    auto window = MakePopup();
    ASSERT_NE(window, nullptr);
    Drain(*window);
    SendMessageA(reinterpret_cast<HWND>(window->Handle()), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(platform::TerminationRequested());
    // A wait returns at once for the request, which the next look hands out.
    window->WaitMessage();
    platform::Message m;
    ASSERT_TRUE(window->PeekMessage(m));
    EXPECT_EQ(m.message, std::uint32_t(WM_CLOSE));
}

}  // namespace
