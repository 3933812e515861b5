// The process from start to exit: the usage and version requests, the graphics-runtime gate, the
// run mode, the desktop's blanking, and the application's whole life.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "app/saver_application.h"
#include "platform/screensaver.h"

namespace app {

// What the process takes from the platform; tests hand in fakes.
struct ProcessServices {
    std::function<void(platform::DesktopBlanking)> prepareProcess = &platform::PrepareProcess;
    // True when the graphics runtime is new enough for the saver.
    std::function<bool()> graphicsRuntimeSufficient;
    std::function<void()> showVersionNotice;
    std::function<void(bool)> setScreenSaverRunning = &platform::SetScreenSaverRunning;
    std::function<SaverApplication*()> application = &TheApplication;
    std::function<void()> destroyApplication = &DestroyApplication;
    // Where the usage and the version are printed.
    std::ostream* out = nullptr;
};

// The program's name and version, as --version prints it.
std::string VersionText();
// What --help prints: the switches, the settings file and the environment read.
std::string UsageText();

// Runs the program for its arguments (argv[0] the program) and returns the exit code.
int RunProcess(int argc, const char* const* argv, const ProcessServices& services);

}  // namespace app
