// Requests to end the process on Windows: Ctrl+C, Ctrl+Break or the closing of the console a
// saver was started from, and the end of the session. The window procedure sees an ordinary
// WM_CLOSE for them, so every mode ends through its own shutdown.
#include "platform/win32/termination_requests.h"

#include <atomic>

#include "platform/termination.h"
#include "platform/win32/win32_api.h"

namespace platform {
namespace {

std::atomic<bool> requested{false};
// The thread whose message wait must wake for a request: the one that asked to catch them.
std::atomic<DWORD> waitingThread{0};

void Wake() {
    if (const DWORD thread = waitingThread.load()) {
        // The queue may not exist yet; the request is still seen before the first wait.
        PostThreadMessageA(thread, WM_NULL, 0, 0);
    }
}

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            requested = true;
            Wake();
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void CatchTerminationRequests() {
    static const bool caught = [] {
        waitingThread = GetCurrentThreadId();
        SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
        return true;
    }();
    (void)caught;
}

bool TerminationRequested() {
    return requested.load();
}

namespace win32_impl {

void NoteTerminationRequest() {
    requested = true;
}

}  // namespace win32_impl
}  // namespace platform
