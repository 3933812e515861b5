// The window and OpenGL 3.3 core context the device draws with: an SDL window of the caller's
// (made with SDL_WINDOW_OPENGL) or one of our own.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

#include "platform/linux/gl/frame_pacer.h"

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
    // Shows the frame; paced to the display's refresh unless presentation is unpaced.
    void Swap();
    // Whether the device asked for immediate presentation. Paced presentation waits for the
    // retrace anyway (late swaps tear rather than wait where the driver offers that).
    void SetImmediate(bool immediate);
    void DrawableSize(int* width, int* height) const;
    SDL_Window* Window() const { return window_; }
    bool OwnsWindow() const { return ownsWindow_; }
    // For our own window: the new back-buffer size and mode after a reset.
    void Resize(int width, int height, bool windowed);

    // GL_RENDERER of this context.
    std::string Renderer() const;

private:
    GlContext();
    void SetSwapInterval(int interval);
    SDL_Window* window_ = nullptr;
    bool ownsWindow_ = false;
    SDL_GLContext context_ = nullptr;
    int swapInterval_ = -2;
    FramePacer pacer_;
};

// Starts SDL's video subsystem once for the process; false when there is no display.
bool StartVideo();
// The context version our contexts ask for (3.3 core). A window of the caller's keeps the
// visual it was made with; windows of our own also get SetWindowAttributes' visual.
void SetContextAttributes();
// A double-buffered visual without depth or multisampling: the device's framebuffer has those.
void SetWindowAttributes();
// True for Mesa's software rasterizers.
bool IsSoftwareRenderer(const std::string& renderer);

}  // namespace gfx::gl
