#include "platform/screensaver.h"

#include <SDL.h>
#include <sys/resource.h>

#include <cstdlib>

#include "platform/linux/sdl_video.h"
#include "platform/termination.h"

namespace platform {

void SetScreenSaverRunning(bool running) {
    if (linux_impl::DaemonWindow()) {
        // Whoever started the video first may have held the blanking off; the daemon decides.
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            SDL_EnableScreenSaver();
        }
        return;
    }
    if (running) {
        // Without a display there is no blanking to hold off; the start goes on regardless.
        if (linux_impl::StartSdlVideo()) {
            SDL_DisableScreenSaver();
        }
    } else if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_EnableScreenSaver();
    }
}

void PrepareProcess(DesktopBlanking blanking) {
    // Mesa keeps compiled shaders under $XDG_CACHE_HOME unless told not to; a user's own setting
    // is left alone.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    // The sound library reports on standard error, a missing device included; a user who wants
    // to see it sets the level.
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    // Without a login session's runtime folder there is no sound server of the user's to reach,
    // and the server's client library would make its folder and cookie in the settings folder
    // (or start a server). The sound goes to the system's device directly then.
    if (!std::getenv("XDG_RUNTIME_DIR") && !std::getenv("PULSE_SERVER")) {
        setenv("ALSOFT_DRIVERS", "-pulse,", 0);
    }
    CatchTerminationRequests();
    linux_impl::SetSdlHints(blanking == DesktopBlanking::HeldOff);
}

void UseDaemonWindow(std::uint64_t windowId) {
    linux_impl::SetDaemonWindow(windowId);
}

void SetIdlePriority() {
    // On Linux a thread's nice value is its own; 19 is the least share of the processor.
    setpriority(PRIO_PROCESS, 0, 19);
}

}  // namespace platform
