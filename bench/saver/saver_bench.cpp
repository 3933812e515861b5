// The running screensaver, measured the way a user meets it: for 1280 x 720 and 1920 x 1080 the
// benchmark starts an Xvfb screen of that size, then runs itself twice as a new process on it,
// each going through the program's whole start (`/s`, the settings, the device, the archive):
// once with a shell that draws one full-screen picture a frame (the ceiling of a presented
// frame of that size), once with the clock scene. Between the scene's frames its clock jumps six
// minutes ahead, which ends the running camera path and the storm's quiet time in one frame, so
// the run holds a path switch and a flash. Mesa's software renderer draws both. Those two runs
// present unpaced, to see what the renderer can do; a third runs the scene as shipped, paced to
// the display's refresh, and its processor time a second of running is set beside the unpaced
// scene's.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/directx_version.h"
#include "app/process.h"
#include "app/saver_application.h"
#include "clock/clock_scene.h"
#include "core/interval_timer.h"
#include "platform/linux/gl/frame_pacer.h"
#include "render/states/screen_quad.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kCeilingSeconds = 4.0;
constexpr double kSceneSeconds = 16.0;
constexpr double kJumpAfterSeconds = 6.0;
// Longer than the longest camera path and than the storm's quiet time.
constexpr std::int64_t kJumpMilliseconds = 6 * 60 * 1000;
// Frames of the first second are left out of the rate: the renderer compiles its programs then.
constexpr double kWarmUpSeconds = 1.0;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::int64_t MonotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// ---- the measured process -------------------------------------------------------------------

std::atomic<std::int64_t> clockOffset{0};
std::int64_t JumpingClock() {
    return core::NowMilliseconds() + clockOffset.load();
}

// One full-screen picture a frame through the shell's own frame.
class QuadShell final : public app::SaverApplication {
public:
    using SaverApplication::SaverApplication;
    bool RenderScene() override {
        return DrawImageQuad(Loading().Picture(), 1.0f, true, render::kScreenCentre);
    }
    void Stop() { SetQuit(); }
};

class MeasuredScene final : public clockscene::ClockScene {
public:
    using ClockScene::ClockScene;
    void Stop() { SetQuit(); }
};

// The processor time the whole process (the renderer's threads too) has used, in seconds.
double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Record {
    Clock::time_point loading{};
    double processorAtFirstFrame = 0;
    double processorAtEnd = 0;
    std::vector<Clock::time_point> frames;
    bool switched = false;
    bool flashed = false;
};

long PeakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

void WriteFigures(const Record& record, Clock::time_point start, const std::string& file) {
    std::ofstream out(file);
    if (record.frames.size() < 3) {
        out << "frames " << record.frames.size() << "\n";
        return;
    }
    std::vector<double> sorted;
    for (std::size_t i = 1; i < record.frames.size(); ++i)
        sorted.push_back(Seconds(record.frames[i - 1], record.frames[i]) * 1000.0);
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    const Clock::time_point first = record.frames.front();
    std::size_t warm = 0;
    while (warm + 1 < record.frames.size() && Seconds(first, record.frames[warm]) < kWarmUpSeconds)
        ++warm;
    const double fps = double(record.frames.size() - 1 - warm) /
                       Seconds(record.frames[warm], record.frames.back());
    out << "frames " << record.frames.size() << "\n"
        << "fps " << fps << "\n"
        << "median_ms " << median << "\n"
        << "p99_ms " << p99 << "\n"
        << "max_ms " << sorted.back() << "\n"
        << "loading_ms " << Seconds(start, record.loading) * 1000.0 << "\n"
        << "scene_ms " << Seconds(start, first) * 1000.0 << "\n"
        << "switched " << record.switched << "\n"
        << "flashed " << record.flashed << "\n"
        << "peak_rss_kb " << PeakResidentKilobytes() << "\n"
        << "cpu_per_second "
        << (record.processorAtEnd - record.processorAtFirstFrame) /
               Seconds(first, record.frames.back())
        << "\n";
}

// argv: --run quad|scene|paced-scene START_NS FIGURES_FILE
int RunMeasured(const std::string& kind, std::int64_t startNs, const std::string& file) {
    gfx::gl::SetPresentationPaced(kind == "paced-scene");
    const Clock::time_point start{std::chrono::nanoseconds(startNs)};
    Record record;
    bool jumped = false;
    std::string pathBefore;
    app::SaverApplication* application = nullptr;
    QuadShell* quad = nullptr;
    MeasuredScene* scene = nullptr;

    app::SaverServices services;
    services.clock = &JumpingClock;
    services.framePresented = [&](app::PresentedFrame frame) {
        const Clock::time_point now = Clock::now();
        if (frame == app::PresentedFrame::Loading) {
            record.loading = now;
            return;
        }
        if (record.frames.empty())
            record.processorAtFirstFrame = ProcessorSeconds();
        record.frames.push_back(now);
        record.processorAtEnd = ProcessorSeconds();
        const double running = Seconds(record.frames.front(), now);
        if (scene) {
            if (jumped && scene->Storm().FlashLevel() > 0.0f)
                record.flashed = true;
            if (jumped && scene->Tour().CurrentName() != pathBefore)
                record.switched = true;
            if (!jumped && running >= kJumpAfterSeconds) {
                pathBefore = scene->Tour().CurrentName();
                clockOffset += kJumpMilliseconds;
                jumped = true;
            }
            if (running >= kSceneSeconds)
                scene->Stop();
        } else if (running >= kCeilingSeconds) {
            quad->Stop();
        }
    };
    if (kind == "quad") {
        quad = new QuadShell(services);
        application = quad;
    } else {
        scene = new MeasuredScene(services);
        // The same paths in the same order every run, so that runs compare.
        scene->Tour().SetRandom([seed = 7u]() mutable {
            seed = seed * 1103515245u + 12345u;
            return int(seed >> 16 & 0x7FFF);
        });
        application = scene;
    }
    app::ProcessServices process;
    process.graphicsRuntimeSufficient = [] { return app::GraphicsVersionSufficient(); };
    process.application = [&] { return application; };
    process.destroyApplication = [] {};
    const char* arguments[] = {"zorvane", "/s"};
    const app::ProcessEnd end = app::RunProcess(2, arguments, process);
    WriteFigures(record, start, file);
    delete application;
    return app::UnixExitCode(end);
}

// ---- the driver ---------------------------------------------------------------------------

struct Figures {
    bool ok = false;
    double fps = 0, median = 0, p99 = 0, max = 0, loading = 0, scene = 0;
    long frames = 0, rss = 0;
    double processor = 0;
    bool switched = false, flashed = false;
};

Figures ReadFigures(const std::string& file) {
    Figures f;
    std::ifstream in(file);
    std::string key;
    double value = 0;
    while (in >> key >> value) {
        if (key == "frames")
            f.frames = long(value);
        if (key == "fps")
            f.fps = value, f.ok = true;
        if (key == "median_ms")
            f.median = value;
        if (key == "p99_ms")
            f.p99 = value;
        if (key == "max_ms")
            f.max = value;
        if (key == "loading_ms")
            f.loading = value;
        if (key == "scene_ms")
            f.scene = value;
        if (key == "switched")
            f.switched = value != 0;
        if (key == "flashed")
            f.flashed = value != 0;
        if (key == "peak_rss_kb")
            f.rss = long(value);
        if (key == "cpu_per_second")
            f.processor = value;
    }
    return f;
}

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

bool WaitFor(pid_t pid) {
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// An Xvfb screen of the size; its display number, or -1.
int StartScreen(unsigned width, unsigned height, pid_t& server) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", size,
                    "+extension", "GLX", "-nolisten", "tcp", "-noreset"});
    close(fds[1]);
    std::string number;
    char c = 0;
    while (server > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    return number.empty() ? -1 : std::atoi(number.c_str());
}

Figures Measure(const std::string& self, const std::string& kind, const std::string& folder) {
    const std::string file = folder + "/" + kind + ".figures";
    std::filesystem::remove(file);
    const std::int64_t start = MonotonicNanoseconds();
    const pid_t child = Spawn({self, "--run", kind, std::to_string(start), file});
    if (!WaitFor(child))
        std::printf("  the %s run did not end cleanly\n", kind.c_str());
    return ReadFigures(file);
}

// The scene as shipped, paced to the display's refresh, against the same scene unpaced, on a
// screen small enough that the software renderer outruns the refresh (as a graphics card does
// at any size): the processor time a second of running of each.
bool MeasurePacing(const std::string& self, const std::string& folder) {
    pid_t server = -1;
    const int display = StartScreen(320, 180, server);
    if (display < 0) {
        std::printf("  pacing: Xvfb did not start\n");
        return false;
    }
    setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
    const Figures unpaced = Measure(self, "scene", folder);
    const Figures paced = Measure(self, "paced-scene", folder);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    if (!unpaced.ok || !paced.ok || unpaced.processor <= 0) {
        std::printf("  pacing: a run gave no figures\n");
        return false;
    }
    std::printf(
        "  320 x 180, processor time a second of running: paced to the refresh %.2f s at "
        "%.1f fps, unpaced %.2f s at %.1f fps: ratio %.2f [< 1 where unpaced runs above the "
        "refresh]\n",
        paced.processor, paced.fps, unpaced.processor, unpaced.fps,
        paced.processor / unpaced.processor);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--run")
        return RunMeasured(argv[2], std::strtoll(argv[3], nullptr, 10), argv[4]);

    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    char folderTemplate[] = "/tmp/zorvane-bench-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        std::printf("no temporary folder\n");
        return 1;
    }
    const std::string folder = folderTemplate;
    // The default settings, no sound device and nothing written outside the folder.
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    setenv("TMPDIR", folder.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);

    std::printf("zorvane /s under Xvfb, Mesa's software renderer; goals in brackets\n");
    const unsigned sizes[2][2] = {{1280, 720}, {1920, 1080}};
    int failures = 0;
    for (const auto& size : sizes) {
        pid_t server = -1;
        const int display = StartScreen(size[0], size[1], server);
        if (display < 0) {
            std::printf("  %u x %u: Xvfb did not start\n", size[0], size[1]);
            ++failures;
            continue;
        }
        setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
        const Figures ceiling = Measure(self, "quad", folder);
        const Figures scene = Measure(self, "scene", folder);
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
        if (!ceiling.ok || !scene.ok) {
            std::printf("  %u x %u: a run gave no figures\n", size[0], size[1]);
            ++failures;
            continue;
        }
        std::printf("  %u x %u:\n", size[0], size[1]);
        std::printf(
            "    frame rate %.1f fps, ceiling (one full-screen picture) %.1f fps: "
            "ratio %.2f [>= 0.70]\n",
            scene.fps, ceiling.fps, scene.fps / ceiling.fps);
        std::printf(
            "    frame time median %.1f ms, 99th percentile %.1f ms: ratio %.2f [<= 2], "
            "longest %.1f ms; %ld frames, path switched %s, flash %s\n",
            scene.median, scene.p99, scene.p99 / scene.median, scene.max, scene.frames,
            scene.switched ? "yes" : "NO", scene.flashed ? "yes" : "NO");
        std::printf(
            "    process start to loading frame %.0f ms [<= 150], to first scene frame "
            "%.0f ms [<= 1500]\n",
            scene.loading, scene.scene);
        std::printf(
            "    peak resident memory %.0f MB [<= 150 at 1920 x 1080]; the ceiling's "
            "process %.0f MB\n",
            scene.rss / 1024.0, ceiling.rss / 1024.0);
    }
    failures += MeasurePacing(self, folder) ? 0 : 1;
    std::filesystem::remove_all(folder);
    return failures == 0 ? 0 : 1;
}
