// The desktop's screen-saver state on Windows: the system's "a saver runs" flag, and the
// process's settings before the first window.
#include "platform/screensaver.h"

#include "platform/termination.h"
#include "platform/win32/win32_api.h"

namespace platform {

void SetScreenSaverRunning(bool running) {
    // SPI_SETSCREENSAVERRUNNING: while set, the system starts no saver of its own and keeps the
    // task-switching keys from leaving this one.
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}

void PrepareProcess(DesktopBlanking) {
    // The system itself holds its blanking off while the saver's flag is set, so nothing here
    // depends on `blanking`; a request to end the process becomes a message.
    CatchTerminationRequests();
}

void UseDaemonWindow(std::uint64_t) {
    // Windows has no screen-saver daemon that hands a window over; the system starts the saver.
}

void SetIdlePriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

}  // namespace platform
