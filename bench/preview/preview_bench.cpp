// What the preview costs while it sits in a settings window: `zorvane /p <window>` runs inside a
// window of ours for 10 s, and its processor time over that stretch is printed as a share of one
// core (the goal is under 2 %), then how fast SIGTERM ends it. Needs a display, e.g.
//     xvfb-run -a build/bench/preview/bench_preview [path/to/zorvane] [seconds]
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

// After the others: Xlib defines names (None, Status) that other headers use.
#include <X11/Xlib.h>

#include "platform/window.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// User plus system time of a process, in seconds; nothing once it is gone.
std::optional<double> ProcessCpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(file, stat)) {
        return std::nullopt;
    }
    // Fields after the command name, which is in parentheses and may hold blanks.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) {
            utime = std::strtoull(field.c_str(), nullptr, 10);
        } else if (index == 15) {
            stime = std::strtoull(field.c_str(), nullptr, 10);
        }
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

bool Exited(pid_t pid, int& code) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) {
        return false;
    }
    code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string saver = argc > 1 ? argv[1] : ZORVANE_BINARY_DIR "/zorvane";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display: run it under Xvfb (xvfb-run -a ...)\n");
        return 2;
    }
    // The settings window's stand-in: a window of ours on the root window.
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::Child;
    desc.parent = DefaultRootWindow(display);
    desc.rect = {20, 30, 172, 142};
    auto parent = platform::CreateNativeWindow(desc, nullptr);
    if (!parent) {
        std::fprintf(stderr, "could not make the parent window\n");
        return 2;
    }
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(parent->Handle()));
    std::string mode = "/p";
    char* args[] = {saver.data(), mode.data(), id, nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, saver.c_str(), nullptr, nullptr, args, environ) != 0) {
        std::fprintf(stderr, "could not start %s\n", saver.c_str());
        return 2;
    }

    // Start-up (the graphics check, the half-second wait) is not the preview's steady cost.
    std::this_thread::sleep_for(2s);
    int code = 0;
    const auto before = ProcessCpuSeconds(pid);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const auto after = ProcessCpuSeconds(pid);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    if (Exited(pid, code) || !before || !after) {
        std::fprintf(stderr, "the preview ended early (exit code %d)\n", code);
        return 2;
    }
    const double share = (*after - *before) / wall * 100.0;
    std::printf("preview %s for %.1f s: %.2f %% of a core (goal < 2 %%)\n", id, wall, share);

    const auto asked = Clock::now();
    kill(pid, SIGTERM);
    bool ended = false;
    while (!(ended = Exited(pid, code)) && Clock::now() - asked < 5s) {
        std::this_thread::sleep_for(5ms);
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::printf("SIGTERM: still running after 5 s\n");
        return 1;
    }
    const double took = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
    std::printf("SIGTERM: ended in %.0f ms with exit code %d\n", took, code);
    parent.reset();
    XCloseDisplay(display);
    return share < 2.0 && took < 1000.0 && code == 1 ? 0 : 1;
}
