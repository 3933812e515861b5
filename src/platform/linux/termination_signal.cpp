#include "platform/linux/termination_signal.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/termination.h"

namespace platform {
namespace {

volatile sig_atomic_t requested = 0;
// [0] is waited on, [1] written by the handler.
int wakePipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const int saved = errno;
    requested = 1;
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        // A full pipe is already readable: nothing is lost when the write fails.
        [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

void CatchTerminationRequests() {
    static const bool caught = [] {
        if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            wakePipe[0] = wakePipe[1] = -1;
        }
        struct sigaction action {};
        action.sa_handler = &OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        // Waits are interrupted rather than resumed, so a blocked wait looks at the request.
        action.sa_flags = 0;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        return true;
    }();
    (void)caught;
}

bool TerminationRequested() {
    return requested != 0;
}

namespace linux_impl {

int TerminationDescriptor() {
    return wakePipe[0];
}

}  // namespace linux_impl
}  // namespace platform
