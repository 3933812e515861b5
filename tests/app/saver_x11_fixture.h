// The built saver started on the test display, with the tools that drive and watch it: a
// process that is killed if a test leaves it running, xdotool, xwininfo and window grabs.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/bmp_image.h"
#include "platform/window.h"

extern char** environ;

namespace saverx11 {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline const char* const kSaver = ZORVANE_BINARY_DIR "/zorvane";
// The exit status of a run that ended normally, and of a start that failed.
constexpr int kRanAndEnded = 0;
constexpr int kStartFailed = 1;

// A started program; killed if the test leaves it running.
class Process {
public:
    Process(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
            const std::string& workDir = {}, int* outputPipe = nullptr, int* errorPipe = nullptr) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            env.emplace_back(*e);
        }
        // "NAME=value" sets a variable, a bare "NAME" removes it.
        for (const auto& extra : extraEnv) {
            const auto equals = extra.find('=');
            const auto name = extra.substr(0, equals) + "=";
            std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
            if (equals != std::string::npos) {
                env.push_back(extra);
            }
        }
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& e : env) {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!workDir.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
        }
        if (outputPipe) {
            posix_spawn_file_actions_adddup2(&actions, outputPipe[1], STDOUT_FILENO);
            posix_spawn_file_actions_addclose(&actions, outputPipe[0]);
        }
        if (errorPipe) {
            posix_spawn_file_actions_adddup2(&actions, errorPipe[1], STDERR_FILENO);
            posix_spawn_file_actions_addclose(&actions, errorPipe[0]);
        }
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }

    ~Process() {
        if (pid_ > 0 && !exitCode_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    void Signal(int signal) const {
        if (pid_ > 0) {
            kill(pid_, signal);
        }
    }

    // The exit code once the program has ended within `limit`; nothing while it still runs.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!exitCode_ && pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= end) {
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        return exitCode_;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

// Runs a tool to its end and returns what it printed (nothing when it failed or hung).
inline std::optional<std::string> Tool(const std::vector<std::string>& args,
                                       std::chrono::milliseconds limit = 5000ms) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    Process tool(args, {}, {}, fds);
    close(fds[1]);
    std::string output;
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 50) > 0) {
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            output.append(buffer, std::size_t(n));
        }
    }
    close(fds[0]);
    const auto code = tool.Wait(1000ms);
    if (!code || *code != 0) {
        return std::nullopt;
    }
    return output;
}

inline bool Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    return Tool(all).has_value();
}

// Number after `label` in xwininfo's output, e.g. "Width:".
inline std::optional<long> InfoValue(const std::string& info, const std::string& label) {
    const auto at = info.find(label);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::strtol(info.c_str() + at + label.size(), nullptr, 0);
}

// A client that stays connected to the display while the tests run. An X server resets itself
// when its last client leaves and drops every client still connecting at that moment; a desktop
// always has programs connected, but here the tools and savers come and go, so without one the
// next start would now and then lose its connection. Ready once it has printed the pointer's
// place, which needs a working connection.
class DisplaySession {
public:
    DisplaySession() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        holder_ = std::make_unique<Process>(
            std::vector<std::string>{"xdotool", "getmouselocation", "sleep", "86400"},
            std::vector<std::string>{}, std::string{}, fds);
        close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        char buffer[256];
        ready_ = poll(&p, 1, 30000) > 0 && read(fds[0], buffer, sizeof buffer) > 0;
        close(fds[0]);
    }

    bool Ready() const { return ready_; }

private:
    std::unique_ptr<Process> holder_;
    bool ready_ = false;
};

// Mean of red, green and blue over every fourth pixel.
inline double MeanBrightness(const std::vector<std::uint32_t>& pixels) {
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4, ++count) {
        const std::uint32_t p = pixels[i];
        sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    }
    return count ? sum / (3.0 * double(count)) : 0.0;
}

// Near-white pixels (the overlays' text colour) in [x0, x1) x [y0, y1) of a `width` wide grab.
inline int WhitePixels(const std::vector<std::uint32_t>& pixels, int width, int x0, int y0, int x1,
                       int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t p = pixels[std::size_t(y) * width + x];
            count += ((p >> 16) & 0xFF) > 0xE0 && ((p >> 8) & 0xFF) > 0xE0 && (p & 0xFF) > 0xE0;
        }
    }
    return count;
}

class ZorvaneX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY")) {
            session = std::make_unique<DisplaySession>();
        }
    }

    static void TearDownTestSuite() { session.reset(); }

    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "needs a display";
        }
        ASSERT_TRUE(session && session->Ready()) << "no client could stay connected to the display";
        char pattern[] = "/tmp/zorvane-x11-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        config = home / "config";
        work = home / "work";
        cache = home / "cache";
        tmp = home / "tmp";
        fs::create_directories(cache);
        fs::create_directories(tmp);
        fs::create_directories(config);
        fs::create_directories(work);
        // Start with the pointer in a known place, away from where the tests move it.
        Xdotool({"mousemove", "5", "5"});
    }

    void TearDown() override {
        if (!home.empty()) {
            // Every run, full screen or preview, takes the audio module's file away again.
            for (const auto& entry : fs::directory_iterator(tmp)) {
                EXPECT_FALSE(entry.path().filename().string().starts_with("bas"))
                    << entry.path() << " left behind";
            }
            fs::remove_all(home);
        }
    }

    // `extraEnv` as Process takes it, after the test's own variables.
    std::unique_ptr<Process> Start(const std::vector<std::string>& args,
                                   const std::string& daemonWindow = {},
                                   const std::vector<std::string>& extraEnv = {}) {
        std::vector<std::string> all{kSaver};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<std::string> env{"XDG_CONFIG_HOME=" + config.string(),
                                     "XDG_CACHE_HOME=" + cache.string(), "TMPDIR=" + tmp.string(),
                                     "LIBGL_ALWAYS_SOFTWARE=1", "MESA_SHADER_CACHE_DISABLE",
                                     // The sound server's client library keeps a folder of its
                                     // own in the configuration folder; sound is not what these
                                     // runs look at.
                                     "ALSOFT_DRIVERS=null", "XSCREENSAVER_WINDOW=" + daemonWindow};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        auto process = std::make_unique<Process>(all, env, work.string());
        EXPECT_TRUE(process->Started());
        return process;
    }

    // Starts the full-screen saver and waits until its window is on the screen.
    std::unique_ptr<Process> StartSaver(const std::vector<std::string>& extraEnv = {}) {
        auto saver = Start({"/s"}, {}, extraEnv);
        if (const auto found = FindSaverWindow(*saver)) {
            windowId = *found;
        } else {
            ADD_FAILURE() << "no saver window appeared";
        }
        return saver;
    }

    // The saver's window once it is visible; nothing when the saver ended or nothing showed.
    std::optional<unsigned long> FindSaverWindow(Process& saver) {
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < end && !saver.Wait(0ms)) {
            // Asked again and again rather than with --sync: a search fails outright when a
            // window it looks at goes away meanwhile, as the version check's hidden one does.
            const auto found = Tool({"xdotool", "search", "--onlyvisible", "--name", "^Zorvane$"});
            if (found && !found->empty()) {
                return std::strtoul(found->c_str(), nullptr, 10);
            }
            std::this_thread::sleep_for(100ms);
        }
        return std::nullopt;
    }

    void StoreSettings(const std::vector<std::pair<std::string, int>>& values) {
        fs::create_directories(config / "Maravek Studio");
        std::ofstream reg(config / "Maravek Studio" / "Zorvane.reg");
        reg << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Maravek Studio\\Zorvane]\n";
        for (const auto& [name, value] : values) {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08x", value);
            reg << "\"" << name << "\"=dword:" << hex << "\n";
        }
    }

    void StoreSetting(const std::string& name, int value) { StoreSettings({{name, value}}); }

    // A window of ours at (20, 30) on the root window: a preview's parent, a daemon's window.
    std::unique_ptr<platform::Window> MakeWindow(int width, int height) {
        const auto rootInfo = Tool({"xwininfo", "-root"});
        const auto root = rootInfo ? InfoValue(*rootInfo, "Window id:") : std::nullopt;
        if (!root) {
            ADD_FAILURE() << "no root window: " << rootInfo.value_or("xwininfo failed");
            return nullptr;
        }
        platform::WindowDesc desc;
        desc.kind = platform::WindowKind::Child;
        desc.parent = platform::WindowHandle(*root);
        desc.rect = {20, 30, 20 + width, 30 + height};
        return platform::CreateNativeWindow(desc, nullptr);
    }

    // The window's pixels as 0xRRGGBB, rows top to bottom.
    std::vector<std::uint32_t> Grab(platform::WindowHandle window) {
        const fs::path grab = home / "grab.rgb";
        if (!Tool({"import", "-silent", "-window", std::to_string(window), "-depth", "8",
                   "rgb:" + grab.string()})) {
            return {};
        }
        std::ifstream grabbed(grab, std::ios::binary);
        const std::vector<std::uint8_t> rgb((std::istreambuf_iterator<char>(grabbed)),
                                            std::istreambuf_iterator<char>());
        std::vector<std::uint32_t> pixels;
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
            pixels.push_back((rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2]);
        }
        return pixels;
    }

    // Grabs the window until `done` accepts its pixels, the process ends or 15 s pass; the last
    // grab. A start on a busy machine takes a second or two before anything is drawn.
    // A busy machine (tests run two at a time, each with a software renderer) may take long over
    // a saver's first frames.
    std::vector<std::uint32_t> GrabWhen(
        platform::WindowHandle window, Process& process,
        const std::function<bool(const std::vector<std::uint32_t>&)>& done,
        std::chrono::seconds patience = 15s) {
        const auto end = std::chrono::steady_clock::now() + patience;
        auto pixels = Grab(window);
        while (!done(pixels) && !process.Wait(0ms) && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(200ms);
            pixels = Grab(window);
        }
        return pixels;
    }

    static inline std::unique_ptr<DisplaySession> session;
    fs::path home;
    fs::path config;
    fs::path work;
    fs::path cache;
    fs::path tmp;
    unsigned long windowId = 0;
};

}  // namespace saverx11
