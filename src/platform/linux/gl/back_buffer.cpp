#include "platform/linux/gl/back_buffer.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/fit_inside.h"
#include "platform/linux/gl/program_cache.h"

namespace gfx::gl {

namespace {

const char* kGammaVertex = R"(#version 330 core
void main() {
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

// Each 8-bit channel indexes the ramp, whose entries already hold the output's high byte.
const char* kGammaFragment = R"(#version 330 core
uniform sampler2D uImage;
uniform sampler2D uRamp;
uniform vec2 uOrigin;
uniform vec2 uSize;
out vec4 fragColor;
void main() {
    vec4 c = texture(uImage, (gl_FragCoord.xy - uOrigin) / uSize);
    ivec3 i = ivec3(floor(c.rgb * 255.0 + 0.5));
    fragColor = vec4(texelFetch(uRamp, ivec2(i.r, 0), 0).r, texelFetch(uRamp, ivec2(i.g, 0), 0).g,
                     texelFetch(uRamp, ivec2(i.b, 0), 0).b, c.a);
}
)";

GLenum DepthFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
            return GL_DEPTH_COMPONENT16;
        case D3DFMT_D24S8:
        case D3DFMT_D24X4S4:
        case D3DFMT_D15S1:
            return GL_DEPTH24_STENCIL8;
        case D3DFMT_D32:
            return GL_DEPTH_COMPONENT32;
        default:
            return GL_DEPTH_COMPONENT24;
    }
}

GLuint MakeTexture(GLenum internalFormat, UINT width, UINT height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    return texture;
}

}  // namespace

BackBuffer::~BackBuffer() {
    Destroy();
    if (gammaTexture_)
        glDeleteTextures(1, &gammaTexture_);
    if (gammaProgram_)
        glDeleteProgram(gammaProgram_);
    if (emptyVertexArray_)
        glDeleteVertexArrays(1, &emptyVertexArray_);
}

void BackBuffer::Destroy() {
    GLuint framebuffers[] = {drawFramebuffer_, resolveFramebuffer_, finalFramebuffer_};
    glDeleteFramebuffers(3, framebuffers);
    GLuint textures[] = {resolveTexture_, finalTexture_};
    glDeleteTextures(2, textures);
    if (samples_ > 1) {
        glDeleteRenderbuffers(1, &colour_);
    }
    glDeleteRenderbuffers(1, &depth_);
    drawFramebuffer_ = resolveFramebuffer_ = finalFramebuffer_ = 0;
    colour_ = depth_ = resolveTexture_ = finalTexture_ = 0;
}

bool BackBuffer::Create(UINT width, UINT height, D3DFORMAT format, D3DFORMAT depthFormat,
                        bool depth, int samples) {
    Destroy();
    width_ = width ? width : 1;
    height_ = height ? height : 1;
    samples_ = samples > 1 ? samples : 0;
    const auto w = static_cast<GLsizei>(width_);
    const auto h = static_cast<GLsizei>(height_);
    // Formats without alpha read a destination alpha of one, as D3D's X8R8G8B8 does.
    const GLenum colourFormat = format == D3DFMT_A8R8G8B8 ? GL_RGBA8 : GL_RGB8;

    resolveTexture_ = MakeTexture(colourFormat, width_, height_);
    // A picture fitted into a window of another size is filtered, not picked texel by texel.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenFramebuffers(1, &resolveFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, resolveTexture_, 0);

    if (samples_) {
        glGenFramebuffers(1, &drawFramebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, colourFormat, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    } else {
        drawFramebuffer_ = resolveFramebuffer_;
    }
    if (depth) {
        const GLenum internal = DepthFormat(depthFormat);
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, internal, w, h);
        const GLenum attachment =
            internal == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, depth_);
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        if (drawFramebuffer_ == resolveFramebuffer_)
            drawFramebuffer_ = 0;
        return false;
    }
    if (drawFramebuffer_ == resolveFramebuffer_) {
        // One framebuffer serves both; keep the names apart so Destroy deletes it once.
        resolveFramebuffer_ = 0;
        glGenFramebuffers(1, &resolveFramebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, resolveTexture_,
                               0);
    }
    BindForDrawing();
    return true;
}

void BackBuffer::BindForDrawing() const {
    glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
}

void BackBuffer::Resolve() const {
    if (!samples_)
        return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawFramebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer_);
    const auto w = static_cast<GLint>(width_);
    const auto h = static_cast<GLint>(height_);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void BackBuffer::SetGammaRamp(const D3DGAMMARAMP& ramp) {
    // Flashes set a ramp every frame; an unchanged one costs nothing.
    if (gammaTexture_ && std::equal(std::begin(ramp.red), std::end(ramp.red), ramp_.red) &&
        std::equal(std::begin(ramp.green), std::end(ramp.green), ramp_.green) &&
        std::equal(std::begin(ramp.blue), std::end(ramp.blue), ramp_.blue))
        return;
    ramp_ = ramp;
    identityRamp_ = true;
    std::uint8_t texels[256 * 4];
    for (int i = 0; i < 256; ++i) {
        texels[i * 4 + 0] = static_cast<std::uint8_t>(ramp.red[i] >> 8);
        texels[i * 4 + 1] = static_cast<std::uint8_t>(ramp.green[i] >> 8);
        texels[i * 4 + 2] = static_cast<std::uint8_t>(ramp.blue[i] >> 8);
        texels[i * 4 + 3] = 255;
        for (int c = 0; c < 3; ++c) {
            if (texels[i * 4 + c] != i)
                identityRamp_ = false;
        }
    }
    glActiveTexture(GL_TEXTURE0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!gammaTexture_) {
        glGenTextures(1, &gammaTexture_);
        glBindTexture(GL_TEXTURE_2D, gammaTexture_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    } else {
        // Updated in place, not made again.
        glBindTexture(GL_TEXTURE_2D, gammaTexture_);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    }
}

bool BackBuffer::EnsureGammaProgram() {
    if (gammaProgram_)
        return true;
    gammaProgram_ = LinkProgram(kGammaVertex, kGammaFragment);
    if (!gammaProgram_)
        return false;
    gammaImage_ = glGetUniformLocation(gammaProgram_, "uImage");
    gammaRamp_ = glGetUniformLocation(gammaProgram_, "uRamp");
    gammaOrigin_ = glGetUniformLocation(gammaProgram_, "uOrigin");
    gammaSize_ = glGetUniformLocation(gammaProgram_, "uSize");
    glGenVertexArrays(1, &emptyVertexArray_);
    return true;
}

void BackBuffer::DrawThroughRamp(const platform::Rect& target) {
    if (!EnsureGammaProgram())
        return;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glViewport(target.left, target.top, target.Width(), target.Height());
    glUseProgram(gammaProgram_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, resolveTexture_);
    glBindSampler(0, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, gammaTexture_);
    glBindSampler(1, 0);
    glUniform1i(gammaImage_, 0);
    glUniform1i(gammaRamp_, 1);
    glUniform2f(gammaOrigin_, static_cast<float>(target.left), static_cast<float>(target.top));
    glUniform2f(gammaSize_, static_cast<float>(target.Width()), static_cast<float>(target.Height()));
    glBindVertexArray(emptyVertexArray_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

void BackBuffer::PresentTo(int width, int height) {
    Resolve();
    const platform::Rect target =
        platform::FitInside(static_cast<int>(width_), static_cast<int>(height_), width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (target.Width() != width || target.Height() != height) {
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (identityRamp_ || !gammaTexture_) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer_);
        const bool sameSize = UINT(target.Width()) == width_ && UINT(target.Height()) == height_;
        glBlitFramebuffer(0, 0, static_cast<GLint>(width_), static_cast<GLint>(height_),
                          target.left, target.top, target.right, target.bottom,
                          GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    } else {
        DrawThroughRamp(target);
    }
}

bool BackBuffer::Read(std::uint32_t* argb, UINT pitch) {
    if (!argb || pitch < width_)
        return false;
    Resolve();
    GLuint source = resolveFramebuffer_;
    if (!identityRamp_ && gammaTexture_) {
        if (!finalFramebuffer_) {
            finalTexture_ = MakeTexture(GL_RGBA8, width_, height_);
            glGenFramebuffers(1, &finalFramebuffer_);
            glBindFramebuffer(GL_FRAMEBUFFER, finalFramebuffer_);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                   finalTexture_, 0);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, finalFramebuffer_);
        DrawThroughRamp({0, 0, static_cast<int>(width_), static_cast<int>(height_)});
        source = finalFramebuffer_;
    }
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width_) * height_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    for (UINT y = 0; y < height_; ++y) {
        const std::uint32_t* from =
            rows.data() + static_cast<std::size_t>(height_ - 1 - y) * width_;
        std::uint32_t* to = argb + static_cast<std::size_t>(y) * pitch;
        for (UINT x = 0; x < width_; ++x)
            to[x] = from[x];
    }
    BindForDrawing();
    return true;
}

}  // namespace gfx::gl
