// The saver's real start and a short run of its frames in a child process of the test, so that a
// crash shows as a signal and a hang is ended: the clock scene over the shell, the platform's
// window, device, sound module and settings file, on an X screen of the test's own.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "private_screen.h"

namespace platform {
class Registry;
}

namespace faults {

// The "key value" lines a child sends back.
class Report {
public:
    explicit Report(int fd) : fd_(fd) {}
    void Put(const std::string& key, const std::string& value) const;
    void Put(const std::string& key, long long value) const { Put(key, std::to_string(value)); }

private:
    int fd_;
};

// How a child ended and what it reported.
struct ChildEnd {
    bool exited = false;  // ended by itself: neither killed by a signal nor over its time
    int exitCode = -1;
    int signal = 0;  // the signal that ended it
    bool timedOut = false;
    double seconds = 0.0;
    std::map<std::string, std::string> values;
    // The last lines the child printed.
    std::string output;

    long long Number(const std::string& key, long long fallback = -1) const;
    std::string Text(const std::string& key) const;
    // "exit 0", "signal 11 (Segmentation fault)", "killed after 20 s".
    std::string Describe() const;
};

// Runs `body` in a forked child (its own process group), its output going to `outputFile`, and
// waits at most `limit` for it; past that the whole group is killed. The child ends with what
// `body` returns.
ChildEnd RunInChild(const std::function<int(const Report&)>& body, std::chrono::milliseconds limit,
                    const std::filesystem::path& outputFile);

// One run of the saver as `/s` starts it.
struct SaverRun {
    // The media archive handed in through the resources; empty keeps the executable's own.
    std::vector<std::uint8_t> mediaArchive;
    // The settings; null reads the settings file under $XDG_CONFIG_HOME as the saver does.
    platform::Registry* registry = nullptr;
    // The camera path the tour tries first (empty: the tour's own random choice).
    std::string firstPath;
    // Environment of the run, set in the child before anything starts.
    std::vector<std::pair<std::string, std::string>> environment;
    // Set in the child before anything starts: a user to run as when the test runs as root (so
    // that permissions bind), and the largest file it may write (a full disk).
    std::optional<uid_t> user;
    std::optional<std::uint64_t> fileSizeLimit;
};

// In the child: starts the saver, runs its frames with a clock that jumps ahead (so the run flies
// a camera path, switches to the next, and flashes), closes it with a key through its window and
// destroys it, reporting:
//   end            "done", "start failed", "runtime too old", "usage error"
//   reason         the line a failed start gives on standard error
//   loading        1 when the loading picture was presented
//   frames         scene frames presented
//   jumped, switched, flashed   1 when the clock jumped, the path changed after it, a flash showed
//   flown          the camera paths flown, separated by '|'
//   running_frames frames in which a camera path flew
//   finite_view    1 when every frame's eye and direction were finite
//   samples        sounds loaded (music, rain, three thunder claps, ticks)
//   defaults       1 when the settings read at the start equal the defaults
//   show_fps, show_time, volume   as read at the start
//   closed_by_key  1 when the run ended after the closing key was sent
//   peak_kb        the child's peak resident memory
// Returns the process's exit code.
int RunSaverInChild(const SaverRun& run, const Report& report);

// A temporary folder removed with everything in it (permissions restored first).
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The folder's entries whose names start with "bas": audio modules a run left behind.
std::vector<std::string> LeftModules(const std::filesystem::path& folder);

// The environment every run gets in `folder`: settings, cache and temporary files in folders of
// their own there, the sound library's silent output, the software renderer, `display`.
std::vector<std::pair<std::string, std::string>> RunEnvironment(const std::filesystem::path& folder,
                                                                const std::string& display);

// The longest a run may take before it counts as hung.
inline constexpr std::chrono::milliseconds kRunLimit{20000};
// The peak resident memory a run may reach.
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's shadow memory and quarantine come on top.
inline constexpr long long kPeakLimitKb = 1024 * 1024;
#else
inline constexpr long long kPeakLimitKb = 400 * 1024;
#endif

// The unprivileged user a root test runs its children as.
inline constexpr uid_t kNobody = 65534;

}  // namespace faults
