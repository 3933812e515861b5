#include "fault_run.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "app/directx_version.h"
#include "app/process.h"
#include "app/saver_application.h"
#include "clock/clock_scene.h"
#include "core/interval_timer.h"
#include "platform/resources.h"
#include "platform/window_messages.h"
#include "vfs/file_source.h"

namespace faults {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

// ---- the run --------------------------------------------------------------------------------

// Minutes ahead: past the end of any camera path and the storm's quiet time, so the frame after
// the jump flies the next path and flashes.
constexpr std::int64_t kPathJumpMilliseconds = 6 * 60 * 1000;
// Past the delay between a flash and its thunder, so the thunder plays in the next frame.
constexpr std::int64_t kThunderJumpMilliseconds = 600;
constexpr int kJumpFrame = 3;
constexpr int kFramesAfterThunder = 3;
constexpr int kMostFrames = 90;
constexpr std::chrono::milliseconds kLongestRun{3000};

std::atomic<std::int64_t> clockOffset{0};
std::int64_t JumpingClock() {
    return core::NowMilliseconds() + clockOffset.load();
}

// The executable's resources, with the media archive swapped for the run's.
class ResourcesWithArchive final : public platform::Resources {
public:
    explicit ResourcesWithArchive(const std::vector<std::uint8_t>& archive) : archive_(archive) {}

    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint32_t id) const override {
        if (id == app::kMediaArchiveId && platform::ResourceTypeEquals(type, vfs::kResourceType)) {
            return std::span<const std::uint8_t>(archive_);
        }
        return platform::Resources::Module().Find(type, id);
    }

private:
    const std::vector<std::uint8_t>& archive_;
};

long long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtoll(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

bool Finite(const render::Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string_view EndName(app::ProcessEnd end) {
    switch (end) {
        case app::ProcessEnd::Done:
            return "done";
        case app::ProcessEnd::StartFailed:
            return "start failed";
        case app::ProcessEnd::RuntimeTooOld:
            return "runtime too old";
        case app::ProcessEnd::UsageError:
            return "usage error";
    }
    return "?";
}

// What the frames showed, gathered as they are presented.
struct Watch {
    int frames = 0;
    bool loading = false;
    bool defaults = false;
    bool showFps = false;
    bool showTime = false;
    int volume = -1;
    int jumpFrame = -1;
    int thunderFrame = -1;
    bool switched = false;
    bool flashed = false;
    bool keySent = false;
    bool finiteView = true;
    int runningFrames = 0;
    int samples = -1;
    std::string pathAtJump;
    std::set<std::string> flown;
    SteadyClock::time_point firstFrame;
};

void OnFrame(clockscene::ClockScene& scene, app::PresentedFrame kind, Watch& watch) {
    if (kind == app::PresentedFrame::Loading) {
        // The settings as the start read them; the sound and the scene change them later.
        watch.loading = true;
        app::SaverSettings defaults;
        scene.Defaults().LoadDefaults(defaults);
        watch.defaults = scene.Settings() == defaults;
        watch.showFps = scene.Settings().ShowFps;
        watch.showTime = scene.Settings().ShowTime;
        watch.volume = scene.Settings().Volume;
        return;
    }
    ++watch.frames;
    if (watch.frames == 1) {
        watch.firstFrame = SteadyClock::now();
        const audio::SoundPlayback& sound = scene.Sound();
        watch.samples =
            (sound.musicSample() != 0) + (sound.rainSample() != 0) + (sound.ticksSample() != 0);
        for (int i = 0; i < audio::kThunderSampleCount; ++i) {
            watch.samples += scene.Sound().ThunderSample(i) != 0;
        }
    }
    const app::CameraTour& tour = scene.Tour();
    if (tour.Running()) {
        ++watch.runningFrames;
        watch.flown.insert(tour.CurrentName());
    }
    const render::Camera& camera = scene.ViewCamera();
    watch.finiteView = watch.finiteView && Finite(camera.GetEye()) && Finite(camera.GetDirection());
    if (watch.keySent) {
        return;
    }

    // A flash running at the jump would end in the next frame and put the quiet time before the
    // next one, so the jump waits for a frame without one.
    if (watch.jumpFrame < 0) {
        if (watch.frames >= kJumpFrame && !scene.Storm().FlashActive()) {
            watch.pathAtJump = tour.CurrentName();
            clockOffset += kPathJumpMilliseconds;
            watch.jumpFrame = watch.frames;
        }
    } else {
        watch.switched = watch.switched || tour.CurrentName() != watch.pathAtJump;
        watch.flashed = watch.flashed || scene.Storm().FlashLevel() > 0.0f;
        if (watch.flashed && watch.thunderFrame < 0) {
            clockOffset += kThunderJumpMilliseconds;
            watch.thunderFrame = watch.frames;
        }
    }
    const bool seenAll =
        watch.thunderFrame > 0 && watch.frames >= watch.thunderFrame + kFramesAfterThunder;
    if (seenAll || watch.frames >= kMostFrames ||
        SteadyClock::now() - watch.firstFrame >= kLongestRun) {
        // The closing key goes through the window as a key press does.
        if (platform::Window* window = scene.SaverWindow()) {
            window->PostMessage(platform::WM_KEYDOWN, platform::VK_ESCAPE, 0);
            watch.keySent = true;
        }
    }
}

}  // namespace

// ---- PrivateScreen --------------------------------------------------------------------------

// ---- children -------------------------------------------------------------------------------

void Report::Put(const std::string& key, const std::string& value) const {
    std::string line = key + " " + value;
    std::replace(line.begin(), line.end(), '\n', ' ');
    line += '\n';
    const char* at = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t put = write(fd_, at, left);
        if (put <= 0) {
            return;
        }
        at += put;
        left -= static_cast<std::size_t>(put);
    }
}

long long ChildEnd::Number(const std::string& key, long long fallback) const {
    const auto found = values.find(key);
    return found == values.end() ? fallback : std::strtoll(found->second.c_str(), nullptr, 10);
}

std::string ChildEnd::Text(const std::string& key) const {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

std::string ChildEnd::Describe() const {
    if (timedOut) {
        return "hung: killed after " + std::to_string(int(seconds)) + " s";
    }
    if (signal != 0) {
        return "crashed: signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
    }
    return "exit " + std::to_string(exitCode);
}

ChildEnd RunInChild(const std::function<int(const Report&)>& body, std::chrono::milliseconds limit,
                    const fs::path& outputFile) {
    ChildEnd end;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return end;
    }
    std::fflush(nullptr);
    const auto start = SteadyClock::now();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        close(fds[0]);
        const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (output >= 0) {
            dup2(output, STDOUT_FILENO);
            dup2(output, STDERR_FILENO);
        }
        const int code = body(Report(fds[1]));
        std::fflush(nullptr);
        _exit(code);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return end;
    }
    setpgid(child, child);

    const auto deadline = start + limit;
    std::string received;
    char buffer[4096];
    bool open = true;
    int status = 0;
    bool reaped = false;
    while (SteadyClock::now() < deadline) {
        if (open) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                const ssize_t got = read(fds[0], buffer, sizeof buffer);
                if (got > 0) {
                    received.append(buffer, static_cast<std::size_t>(got));
                } else {
                    open = false;
                }
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (waitpid(child, &status, WNOHANG) == child) {
            reaped = true;
            break;
        }
    }
    if (!reaped) {
        end.timedOut = true;
        kill(-child, SIGKILL);
        waitpid(child, &status, 0);
    }
    // Whatever the child sent before it ended.
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) {
            break;
        }
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    // Anything the child started is gone with it.
    kill(-child, SIGKILL);
    end.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    if (!end.timedOut) {
        end.exited = WIFEXITED(status);
        end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    std::istringstream lines(received);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        end.values[line.substr(0, space)] =
            space == std::string::npos ? std::string() : line.substr(space + 1);
    }
    std::ifstream output(outputFile);
    const std::string printed{std::istreambuf_iterator<char>(output), {}};
    end.output = printed.size() > 2000 ? printed.substr(printed.size() - 2000) : printed;
    return end;
}

// ---- the saver ------------------------------------------------------------------------------

int RunSaverInChild(const SaverRun& run, const Report& report) {
    for (const auto& [name, value] : run.environment) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    if (run.fileSizeLimit) {
        // A full disk refuses the write; the limit's signal would end the process instead.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{*run.fileSizeLimit, *run.fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (run.user && geteuid() == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(*run.user) != 0 || setuid(*run.user) != 0) {
            report.Put("error", "could not become user " + std::to_string(*run.user));
            return 100;
        }
    }

    ResourcesWithArchive resources(run.mediaArchive);
    app::SaverServices services;
    if (!run.mediaArchive.empty()) {
        services.resources = &resources;
    }
    if (run.registry) {
        services.registry = run.registry;
    }
    services.clock = &JumpingClock;
    Watch watch;
    clockscene::ClockScene* scene = nullptr;
    services.framePresented = [&](app::PresentedFrame kind) { OnFrame(*scene, kind, watch); };
    scene = new clockscene::ClockScene(services);
    if (!run.firstPath.empty()) {
        scene->Tour().SetRandom([scene, first = run.firstPath, asked = false]() mutable {
            if (!asked) {
                asked = true;
                // The tour starts at the pool's first entry and moves on by the number drawn.
                const auto& pool = scene->Tour().Pool();
                for (std::size_t i = 0; i < pool.size(); ++i) {
                    if (pool[i] == first) {
                        return static_cast<int>(i);
                    }
                }
            }
            return std::rand();
        });
    }

    std::ostringstream out;
    std::ostringstream err;
    app::ProcessServices process;
    process.graphicsRuntimeSufficient = [] { return app::GraphicsVersionSufficient(); };
    process.application = [scene] { return scene; };
    // What the run left is read before the application goes, as the program's own end does it.
    process.destroyApplication = [&] {
        report.Put("closed_by_key", watch.keySent && scene->Quit());
        delete scene;
        scene = nullptr;
    };
    process.out = &out;
    process.err = &err;
    const char* const arguments[] = {"zorvane", "/s"};
    const app::ProcessEnd end = app::RunProcess(2, arguments, process);
    // A failed start leaves the application to the process's end.
    delete scene;

    report.Put("end", std::string(EndName(end)));
    report.Put("reason", err.str());
    report.Put("loading", watch.loading);
    report.Put("frames", watch.frames);
    report.Put("jumped", watch.jumpFrame > 0);
    report.Put("switched", watch.switched);
    report.Put("flashed", watch.flashed);
    std::string flown;
    for (const std::string& name : watch.flown) {
        flown += (flown.empty() ? "" : "|") + name;
    }
    report.Put("flown", flown);
    report.Put("running_frames", watch.runningFrames);
    report.Put("finite_view", watch.finiteView);
    report.Put("samples", watch.samples);
    report.Put("defaults", watch.defaults);
    report.Put("show_fps", watch.showFps);
    report.Put("show_time", watch.showTime);
    report.Put("volume", watch.volume);
    report.Put("peak_kb", PeakResidentKb());
    return app::UnixExitCode(end);
}

// ---- folders --------------------------------------------------------------------------------

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/zorvane-faults-XXXXXX";
    if (mkdtemp(pattern)) {
        path_ = pattern;
        // Runs made as another user reach their own folders inside.
        chmod(pattern, 0711);
    }
}

ScratchFolder::~ScratchFolder() {
    if (path_.empty()) {
        return;
    }
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(path_, error);
}

std::vector<std::string> LeftModules(const fs::path& folder) {
    std::vector<std::string> left;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        return left;
    }
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("bas")) {
            left.push_back(name);
        }
    }
    return left;
}

std::vector<std::pair<std::string, std::string>> RunEnvironment(const fs::path& folder,
                                                                const std::string& display) {
    for (const char* sub : {"config", "cache", "tmp", "home"}) {
        fs::create_directories(folder / sub);
    }
    return {
        {"DISPLAY", display},
        {"HOME", (folder / "home").string()},
        {"XDG_CONFIG_HOME", (folder / "config").string()},
        {"XDG_CACHE_HOME", (folder / "cache").string()},
        {"TMPDIR", (folder / "tmp").string()},
        {"LIBGL_ALWAYS_SOFTWARE", "1"},
        {"ALSOFT_DRIVERS", "null"},
        {"MESA_SHADER_CACHE_DISABLE", "false"},
        {"MESA_SHADER_CACHE_DIR", ZORVANE_BINARY_DIR "/tests/faults/shader-cache"},
    };
}

}  // namespace faults
