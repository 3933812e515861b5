// Requests to end the process on Windows: Ctrl+C on the console and the end of the session reach
// the window as one WM_CLOSE, and a wait for messages wakes for them.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

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

constexpr char kAloneVariable[] = "ZORVANE_TERMINATION_TEST_ALONE";

// A request can't be taken back, and every later window of the process would close on it: each
// case runs in a process of its own, this program started again for that case alone. True in
// that process; in the first one the case's outcome is the other process's exit status.
bool RunsAlone() {
    if (GetEnvironmentVariableA(kAloneVariable, nullptr, 0) != 0) {
        return true;
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char program[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string commandLine = std::string("\"") + program + "\" --gtest_filter=" +
                              test->test_suite_name() + "." + test->name();
    SetEnvironmentVariableA(kAloneVariable, "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kAloneVariable, nullptr);
    EXPECT_TRUE(started);
    if (started) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u) << "the case failed in its own process";
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return false;
}

#define RUN_ALONE()    \
    if (!RunsAlone()) { \
        return;         \
    }

TEST(TerminationRequestsWin32, CtrlCWakesTheWaitAndArrivesAsOneClose) {
    RUN_ALONE();
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
    RUN_ALONE();
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
