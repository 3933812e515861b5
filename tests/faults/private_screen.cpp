#include "private_screen.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace faults {
namespace {

// A line from `fd` within `limit`; empty when none came.
std::string ReadLine(int fd, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::string line;
    char c = 0;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) {
            continue;
        }
        if (read(fd, &c, 1) != 1) {
            break;
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    return {};
}

}  // namespace

PrivateScreen::PrivateScreen(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    // No access control: the screen listens on its local socket only, and a run may be made as
    // another user.
    const char* const args[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen",   "0",
                                size.c_str(), "+extension", "GLX",      "-nolisten", "tcp",
                                "-noreset",   "-ac",        nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawnp(&server_, "Xvfb", &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        server_ = -1;
        close(fds[0]);
        return;
    }
    const std::string number = ReadLine(fds[0], std::chrono::seconds(30));
    close(fds[0]);
    if (!number.empty()) {
        display_ = ":" + number;
    }
}

PrivateScreen::~PrivateScreen() {
    if (server_ > 0) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }
}

}  // namespace faults
