// The window and OpenGL 3.3 core context the device draws with: an SDL window of the caller's
// (made with SDL_WINDOW_OPENGL) or one of our own.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

namespace gfx::gl {

class GlContext {
public:
    // window null: a window of our own, hidden when windowed (the device draws offscreen and
    // presents into it), full screen otherwise. Null on failure.
    static std::shared_ptr<GlContext> Create(SDL_Window* window, int width, int height,
                                             bool windowed);
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    void MakeCurrent();
    void Swap();
    // 0 immediate, 1 wait for the vertical retrace.
    void SetSwapInterval(int interval);
    void DrawableSize(int* width, int* height) const;
    SDL_Window* Window() const { return window_; }
    bool OwnsWindow() const { return ownsWindow_; }
    // For our own window: the new back-buffer size and mode after a reset.
    void Resize(int width, int height, bool windowed);

    // GL_RENDERER of this context.
    std::string Renderer() const;

private:
    GlContext() = default;
    SDL_Window* window_ = nullptr;
    bool ownsWindow_ = false;
    SDL_GLContext context_ = nullptr;
    int swapInterval_ = -2;
};

// Starts SDL's video subsystem once for the process; false when there is no display.
bool StartVideo();
// Sets the GL attributes our contexts ask for; a caller that makes the window itself calls this
// before SDL_CreateWindow so the window gets a matching visual.
void SetContextAttributes();
// True for Mesa's software rasterizers.
bool IsSoftwareRenderer(const std::string& renderer);

}  // namespace gfx::gl
