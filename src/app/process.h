// The process from start to exit: the usage and version requests, the graphics-runtime gate, the
// run mode, the desktop's blanking, and the application's whole life.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "app/saver_application.h"
#include "platform/screensaver.h"

namespace app {

// How the process ended. Windows and Unix give these different exit codes.
enum class ProcessEnd {
    Done,            // the saver ran and ended, the dialog closed, or the help was printed
    StartFailed,     // the saver or the dialog could not start
    RuntimeTooOld,   // the graphics runtime is too old: the notice was shown
    UsageError,      // the command line cannot be run (Unix spellings only)
};

// The codes the saver was designed with: 1 after a run (or the notice), 0 when the start failed.
int WindowsExitCode(ProcessEnd end);
// The Unix convention: 0 done, 1 failed (the notice included), 2 a usage error.
int UnixExitCode(ProcessEnd end);

// What the process takes from the platform; tests hand in fakes.
struct ProcessServices {
    // The X11 daemon's options are read, a "--" word nobody knows is a usage error, and a failed
    // start says why on `err`. Windows reads its switches alone and fails silently.
    bool unixCommandLine = true;
    std::function<void(platform::DesktopBlanking)> prepareProcess = &platform::PrepareProcess;
    // The window a daemon names on the command line; drawn into as if handed over by the
    // environment.
    std::function<void(std::uint64_t)> useDaemonWindow = &platform::UseDaemonWindow;
    // True when the graphics runtime is new enough for the saver: the platform's own check, which
    // the program's entry chooses (OpenGL on Linux, DirectX on Windows). Without one, none is.
    std::function<bool()> graphicsRuntimeSufficient;
    std::function<void()> showVersionNotice;
    std::function<void(bool)> setScreenSaverRunning = &platform::SetScreenSaverRunning;
    std::function<SaverApplication*()> application = &TheApplication;
    std::function<void()> destroyApplication = &DestroyApplication;
    // Where the usage and the version are printed.
    std::ostream* out = nullptr;
    // Where a usage error and the reason of a failed start are printed.
    std::ostream* err = nullptr;
};

// The program's name and version, as --version prints it.
std::string VersionText();
// What --help prints: the switches, the settings file and the environment read.
std::string UsageText();

// Runs the program for its arguments (argv[0] the program).
ProcessEnd RunProcess(int argc, const char* const* argv, const ProcessServices& services);

}  // namespace app
