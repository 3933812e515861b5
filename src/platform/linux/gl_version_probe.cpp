// The GL version probe: a hidden SDL window with a GL context, and dlopen of the GL libraries.
#include <SDL.h>
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "platform/gl_version.h"

namespace platform {

namespace {

constexpr unsigned kGlVersion = 0x1F02;  // GL_VERSION
using GetStringFunction = const unsigned char* (*)(unsigned);

// The GL_VERSION of a context made with the attributes set now; nothing when none could be made.
std::optional<std::string> VersionOfNewContext() {
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 16,
                                          16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> version;
    if (SDL_GLContext context = SDL_GL_CreateContext(window); context != nullptr) {
        auto getString = reinterpret_cast<GetStringFunction>(SDL_GL_GetProcAddress("glGetString"));
        if (getString != nullptr) {
            if (const unsigned char* text = getString(kGlVersion); text != nullptr) {
                version = reinterpret_cast<const char*>(text);
            }
        }
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(window);
    return version;
}

class SystemGlVersionProbe final : public GlVersionProbe {
public:
    std::optional<std::string> ContextVersion() override {
        const bool started = SDL_WasInit(SDL_INIT_VIDEO) != 0;
        // Without a display, starting SDL's video only has its drivers complain on stderr.
        if (!started && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
            !std::getenv("SDL_VIDEODRIVER")) {
            return std::nullopt;
        }
        if (!started && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return std::nullopt;
        }
        // A 3.3 core context reports the newest core version; a driver without one still
        // tells its version through its default context.
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        std::optional<std::string> version = VersionOfNewContext();
        SDL_GL_ResetAttributes();
        if (!version) {
            version = VersionOfNewContext();
        }
        // Video stays started for the rest of the process: starting SDL's X11 driver a second
        // time after quitting it sometimes falls back to a display-less driver on a busy machine.
        return version;
    }

    bool LibraryExports(std::string_view library, std::string_view symbol) override {
        const std::string libraryName(library);
        const std::string symbolName(symbol);
        void* handle = dlopen(libraryName.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (handle == nullptr) {
            return false;
        }
        const bool found = dlsym(handle, symbolName.c_str()) != nullptr;
        dlclose(handle);
        return found;
    }
};

}  // namespace

GlVersionProbe& GlVersionProbe::System() {
    static SystemGlVersionProbe probe;
    return probe;
}

}  // namespace platform
