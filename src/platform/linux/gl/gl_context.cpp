#include "platform/linux/gl/gl_context.h"

#include <epoxy/gl.h>

namespace gfx::gl {

bool StartVideo() {
    static const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return started;
}

void SetContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
}

void SetWindowAttributes() {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Depth and multisampling live in the device's own framebuffer, not the window's.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
}

bool IsSoftwareRenderer(const std::string& renderer) {
    return renderer.find("llvmpipe") != std::string::npos ||
           renderer.find("softpipe") != std::string::npos ||
           renderer.find("Software Rasterizer") != std::string::npos;
}

std::shared_ptr<GlContext> GlContext::Create(SDL_Window* window, int width, int height,
                                             bool windowed) {
    if (!StartVideo())
        return nullptr;
    SetContextAttributes();
    std::shared_ptr<GlContext> context(new GlContext);
    if (!window) {
        SetWindowAttributes();
        Uint32 flags = SDL_WINDOW_OPENGL;
        flags |= windowed ? SDL_WINDOW_HIDDEN : SDL_WINDOW_FULLSCREEN;
        window = SDL_CreateWindow("Zorvane", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  width > 0 ? width : 1, height > 0 ? height : 1, flags);
        if (!window)
            return nullptr;
        context->ownsWindow_ = true;
    }
    context->window_ = window;
    context->context_ = SDL_GL_CreateContext(window);
    if (!context->context_)
        return nullptr;
    if (epoxy_gl_version() < 33)
        return nullptr;
    return context;
}

GlContext::GlContext()
    : pacer_([] { return std::int64_t(SDL_GetPerformanceCounter() * 1000000.0 /
                                      double(SDL_GetPerformanceFrequency())); },
             [](std::int64_t micros) { SDL_Delay(Uint32((micros + 999) / 1000)); }) {}

GlContext::~GlContext() {
    if (context_)
        SDL_GL_DeleteContext(context_);
    if (ownsWindow_ && window_)
        SDL_DestroyWindow(window_);
}

void GlContext::MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_)
        SDL_GL_MakeCurrent(window_, context_);
}

void GlContext::Swap() {
    SDL_GL_SwapWindow(window_);
    // A hidden window (an offscreen device's) shows nothing to pace.
    if (PresentationPaced() && swapInterval_ != 0 &&
        (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0) {
        SDL_DisplayMode mode{};
        const int display = SDL_GetWindowDisplayIndex(window_);
        pacer_.SetRefreshRate(display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0
                                  ? mode.refresh_rate
                                  : 0);
        pacer_.AfterSwap();
    }
}

void GlContext::SetImmediate(bool immediate) {
    SetSwapInterval(immediate && !PresentationPaced() ? 0 : -1);
}

void GlContext::SetSwapInterval(int interval) {
    if (interval == swapInterval_)
        return;
    swapInterval_ = interval;
    // -1 lets a late frame show at once instead of waiting a whole refresh more; where the
    // driver does not offer it, every frame waits for the retrace.
    if (SDL_GL_SetSwapInterval(interval) != 0 && interval < 0) {
        swapInterval_ = 1;
        SDL_GL_SetSwapInterval(1);
    }
}

void GlContext::DrawableSize(int* width, int* height) const {
    SDL_GL_GetDrawableSize(window_, width, height);
}

void GlContext::Resize(int width, int height, bool windowed) {
    if (!ownsWindow_)
        return;
    SDL_SetWindowFullscreen(window_, windowed ? 0 : SDL_WINDOW_FULLSCREEN);
    SDL_SetWindowSize(window_, width > 0 ? width : 1, height > 0 ? height : 1);
}

std::string GlContext::Renderer() const {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return text ? text : "";
}

}  // namespace gfx::gl
