// The desktop's blanking on a real display: held off only when the process asked for it, and never
// with a screen-saver daemon's window. Observed through the display's own screen saver, set to
// start after one idle second.
#include <gtest/gtest.h>
// After the test framework: Xlib defines None, a name the framework uses.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/sdl_video.h"
#include "platform/screensaver.h"

namespace {

struct Case {
    const char* name;
    platform::DesktopBlanking blanking;
    bool running;  // the saver says it runs (and stays running)
    bool stops;    // ... and then that it no longer runs
    bool daemon;   // XSCREENSAVER_WINDOW names a window
    bool blanks;   // the display's screen saver starts
};

// Whether the display's screen saver starts while this process holds what `c` asks for. Run in a
// child: the display library starts once per process.
bool Blanks(const Case& c) {
    if (c.daemon) {
        setenv("XSCREENSAVER_WINDOW", "0x400001", 1);
    } else {
        unsetenv("XSCREENSAVER_WINDOW");
    }
    platform::PrepareProcess(c.blanking);
    if (!platform::linux_impl::StartSdlVideo()) {
        std::exit(3);
    }
    if (c.running) {
        platform::SetScreenSaverRunning(true);
    }
    // The display library sends its requests when it next looks at its events, as the saver's
    // loop does on every frame.
    SDL_PumpEvents();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::exit(3);
    }
    XSetScreenSaver(display, 1, 0, DontPreferBlanking, AllowExposures);
    XResetScreenSaver(display);
    XSync(display, False);
    usleep(2500 * 1000);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
    const bool on = info->state == ScreenSaverOn;
    XFree(info);
    // The display's own settings again, for whoever comes next.
    XSetScreenSaver(display, -1, -1, DefaultBlanking, DefaultExposures);
    XResetScreenSaver(display);
    XCloseDisplay(display);
    return on;
}

TEST(DesktopBlanking, HeldOffOnlyWhenAskedAndNeverForADaemon) {
    using platform::DesktopBlanking;
    const Case cases[] = {
        {"full screen", DesktopBlanking::HeldOff, true, false, false, false},
        {"preview or dialog", DesktopBlanking::Allowed, false, false, false, true},
        {"daemon's window", DesktopBlanking::HeldOff, true, false, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(std::exit(Blanks(c) == c.blanks ? 0 : 1), testing::ExitedWithCode(0), "")
            << c.name;
    }
}

}  // namespace
