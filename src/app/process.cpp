#include "app/process.h"

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string_view>

#include "app/command_line.h"
#include "app/daemon_options.h"
#include "app/version_notice.h"
#include "core/interval_timer.h"
#include "core/start_failure.h"
#include "core/trace.h"

namespace app {
namespace {

std::string LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

enum class InfoRequest { None, Help, Version };

// Only a first argument that is exactly one of these asks; every other line is a screensaver
// switch, read as before.
InfoRequest FindInfoRequest(int argc, const char* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) {
        return InfoRequest::None;
    }
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
        return InfoRequest::Help;
    }
    if (first == "--version") {
        return InfoRequest::Version;
    }
    return InfoRequest::None;
}

bool IsFullScreenMode(RunMode mode) {
    return mode == RunMode::Saver || mode == RunMode::SaverT;
}

}  // namespace

std::string VersionText() {
    return std::string("zorvane ") + ZORVANE_VERSION + "\n";
}

std::string UsageText() {
    return "Usage: zorvane [switch]\n"
           "A screensaver: a pendulum clock in a dim room on a stormy night.\n"
           "\n"
           "  /s             run full screen (any letter other than a, c, p and t does too)\n"
           "  /t             the same\n"
           "  /p ID          show the preview inside the X11 window ID (decimal, or hex as 0x...)\n"
           "  /c [ID]        show the settings dialog, above the window ID when one is given\n"
           "  /a [ID]        change the password: not supported, ends at once\n"
           "  (none)         the same as /c\n"
           "'-' may stand for '/', and a ':' may join the switch and its ID.\n"
           "\n"
           "As a screen-saver daemon's hack (one dash or two):\n"
           "  --root         run full screen, into $XSCREENSAVER_WINDOW when it names a window\n"
           "  --window-id ID run full screen inside the X11 window ID\n"
           "  --fps          show the frame rate\n"
           "  --install, --visual ID   accepted and ignored\n"
           "\n"
           "  -h, --help     print this text; --version print the version\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/Maravek Studio/Zorvane.reg (without XDG_CONFIG_HOME,\n"
           "~/.config/Maravek Studio/Zorvane.reg).\n"
           "\n"
           "Environment:\n"
           "  XSCREENSAVER_WINDOW  full screen draws into this window (hex 0x... or decimal),\n"
           "                       as a screen-saver daemon hands it over\n"
           "  XDG_CONFIG_HOME      the folder that holds the settings file\n"
           "  DISPLAY              the X display to show on\n"
           "  ALSOFT_LOGLEVEL      the sound library's messages (quiet unless set)\n"
           "\n"
           "Exit status: 0 the saver or the dialog ran and ended; 1 the start failed (a line on\n"
           "standard error says why); 2 the command line could not be read.\n";
}

int WindowsExitCode(ProcessEnd end) {
    return end == ProcessEnd::Done || end == ProcessEnd::RuntimeTooOld ? 1 : 0;
}

int UnixExitCode(ProcessEnd end) {
    switch (end) {
        case ProcessEnd::Done:
            return 0;
        case ProcessEnd::UsageError:
            return 2;
        case ProcessEnd::StartFailed:
        case ProcessEnd::RuntimeTooOld:
            break;
    }
    return 1;
}

ProcessEnd RunProcess(int argc, const char* const* argv, const ProcessServices& services) {
    std::ostream& out = services.out ? *services.out : std::cout;
    std::ostream& err = services.err ? *services.err : std::cerr;
    switch (FindInfoRequest(argc, argv)) {
        case InfoRequest::Help:
            out << UsageText();
            return out ? ProcessEnd::Done : ProcessEnd::StartFailed;
        case InfoRequest::Version:
            out << VersionText();
            return out ? ProcessEnd::Done : ProcessEnd::StartFailed;
        case InfoRequest::None:
            break;
    }

    DaemonOptions daemon;
    if (services.unixCommandLine) {
        daemon = ReadDaemonOptions(argc, argv);
        if (!daemon.usageError.empty()) {
            err << "zorvane: " << daemon.usageError << "\n\n" << UsageText();
            return ProcessEnd::UsageError;
        }
    }
    // The failure is reported once, in the words of whoever met it first.
    core::ClearStartFailure();
    const auto failed = [&](ProcessEnd end) {
        if (services.unixCommandLine) {
            const std::string& reason = core::StartFailureReason();
            err << "zorvane: " << (reason.empty() ? "the screensaver could not start" : reason)
                << "\n";
        }
        return end;
    };

    // The mode is known before the display starts, since starting it decides about the
    // desktop's blanking; reading the line has no effect of its own.
    std::uint32_t windowArgument = 0;
    const RunMode mode = daemon.fullScreen
                             ? RunMode::Saver
                             : ParseCommandLine(FullCommandLine(argc, argv), windowArgument);
    const bool fullScreen = IsFullScreenMode(mode);
    if (daemon.windowId && services.useDaemonWindow) {
        services.useDaemonWindow(*daemon.windowId);
    }
    if (services.prepareProcess) {
        services.prepareProcess(fullScreen ? platform::DesktopBlanking::HeldOff
                                           : platform::DesktopBlanking::Allowed);
    }

    const bool sufficient =
        services.graphicsRuntimeSufficient && services.graphicsRuntimeSufficient();
    if (!sufficient) {
        core::ReportStartFailure("the graphics driver offers no OpenGL 3.3");
        if (services.showVersionNotice) {
            services.showVersionNotice();
        } else {
            ShowVersionNotice();
        }
        return failed(ProcessEnd::RuntimeTooOld);
    }
    core::Trace("\n>>Log started " + LocalDateTime() + "\n");
    core::Trace("DX version ok\n");
    core::Trace("Running in mode: " + std::to_string(static_cast<int>(mode)) + "\n");

    SaverApplication* application = services.application ? services.application() : nullptr;
    // Only the full-screen saver keeps the desktop from blanking.
    const auto setRunning = [&](bool running) {
        if (fullScreen && services.setScreenSaverRunning) {
            services.setScreenSaverRunning(running);
        }
    };
    setRunning(true);
    std::srand(static_cast<unsigned>(core::NowMilliseconds() % 0x8000));

    if (application && daemon.showFrameRate) {
        application->ShowFrameRateAlways();
    }
    // An application that could not be made fails the start like one that could not start.
    if (!application || !application->Create(0, mode, windowArgument)) {
        setRunning(false);
        if (mode == RunMode::Password) {
            core::ReportStartFailure("changing the password is not supported");
        }
        return failed(ProcessEnd::StartFailed);
    }
    if (mode != RunMode::Configure) {
        application->Run();
    }
    setRunning(false);
    if (services.destroyApplication) {
        services.destroyApplication();
    }
    core::Trace("\n<<Log closed");
    return ProcessEnd::Done;
}

}  // namespace app
