#include "platform/screensaver.h"

#include <SDL.h>
#include <sys/resource.h>

#include "platform/linux/sdl_video.h"

namespace platform {

void SetScreenSaverRunning(bool running) {
    if (linux_impl::DaemonWindow()) {
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

void SetIdlePriority() {
    // On Linux a thread's nice value is its own; 19 is the least share of the processor.
    setpriority(PRIO_PROCESS, 0, 19);
}

}  // namespace platform
