// The device's back buffer: an offscreen framebuffer (multisampled when asked) that frames are
// drawn into, resolved and passed through the gamma ramp on their way to the window.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

#include "platform/gfx/d3d_types.h"
#include "platform/window.h"

namespace gfx::gl {

class BackBuffer {
public:
    BackBuffer() = default;
    ~BackBuffer();
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    // (Re)creates the targets; false when the framebuffer can't be made.
    bool Create(UINT width, UINT height, D3DFORMAT format, D3DFORMAT depthFormat, bool depth,
                int samples);
    void BindForDrawing() const;
    // Copies the multisampled image into the single-sample one (nothing without multisampling).
    void Resolve() const;
    void SetGammaRamp(const D3DGAMMARAMP& ramp);
    // Draws the resolved image through the ramp into `target` of the bound framebuffer (its
    // rows counted from the bottom, as GL does).
    void DrawThroughRamp(const platform::Rect& target);
    // Resolves and writes the final image to the window's framebuffer of the given size, fitted
    // inside it with black around (a picture is never stretched out of shape).
    void PresentTo(int width, int height);
    // The final image (ramp applied), top row first, as 0xAARRGGBB.
    bool Read(std::uint32_t* argb, UINT pitch);

    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    int Samples() const { return samples_; }

private:
    void Destroy();
    bool EnsureGammaProgram();

    UINT width_ = 0, height_ = 0;
    int samples_ = 0;
    GLuint drawFramebuffer_ = 0, colour_ = 0, depth_ = 0;  // colour_: renderbuffer when sampled
    GLuint resolveFramebuffer_ = 0, resolveTexture_ = 0;   // the single-sample image
    GLuint finalFramebuffer_ = 0, finalTexture_ = 0;       // read-back target for the ramp pass
    GLuint gammaTexture_ = 0, gammaProgram_ = 0, emptyVertexArray_ = 0;
    GLint gammaImage_ = -1, gammaRamp_ = -1, gammaOrigin_ = -1, gammaSize_ = -1;
    D3DGAMMARAMP ramp_{};  // the ramp the table holds
    bool identityRamp_ = true;
};

}  // namespace gfx::gl
