#include "platform/linux/sdl_video.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/window_id.h"

namespace platform::linux_impl {

namespace {

bool blankingHeldOff = false;
std::optional<std::uint64_t> namedDaemonWindow;

}  // namespace

std::optional<std::uint64_t> DaemonWindow() {
    if (namedDaemonWindow) {
        return namedDaemonWindow;
    }
    const char* value = std::getenv("XSCREENSAVER_WINDOW");
    return value ? platform::ParseWindowId(value) : std::nullopt;
}

void SetDaemonWindow(std::uint64_t id) {
    namedDaemonWindow = id;
}

std::string NoDisplayReason() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        return "no X display: DISPLAY is not set";
    }
    return std::string("cannot open the X display \"") + display + "\"";
}

std::string MissingWindowReason(std::uint64_t id) {
    char text[64];
    std::snprintf(text, sizeof text, "there is no X window 0x%llx on the display",
                  static_cast<unsigned long long>(id));
    return text;
}

void SetSdlHints(bool holdOffBlanking) {
    blankingHeldOff = holdOffBlanking;
    // With an X display the saver runs on X11 alone, the driver SDL prefers there anyway (an
    // XWayland desktop included): when the display cannot be reached the start fails, instead
    // of SDL falling through to Wayland, which prints complaints on stderr, and on to an
    // off-screen driver that draws where nobody sees it. A chosen SDL_VIDEODRIVER is kept, and
    // a Wayland-only session, without DISPLAY, still gets SDL's own choice.
    if (std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER")) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    // A click that brings the window into focus is still a click: it must end the saver.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    const bool allow = !holdOffBlanking || DaemonWindow();
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, allow ? "1" : "0");
}

bool StartSdlVideo() {
    static const bool started = [] {
        // With no display named at all, SDL's drivers would only complain on stderr one by one.
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
            !std::getenv("SDL_VIDEODRIVER")) {
            return false;
        }
        SetSdlHints(blankingHeldOff);
        return SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    }();
    return started;
}

}  // namespace platform::linux_impl
