// Textures and vertex and index buffers of the OpenGL device. A GL texture is never lost, so a
// texture's bytes live in the driver alone: a lock reads its level back into memory and the
// unlock uploads it and lets that memory go. A level never written holds zeros, which nothing
// needs to send or read: its lock hands out zeros, and a draw fills it with zeros first.
// Buffers keep a copy of their bytes (below).
#pragma once

#include <epoxy/gl.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/gfx/device.h"
#include "platform/linux/gl/device_statistics.h"
#include "platform/linux/gl/gl_tables.h"
#include "platform/linux/gl/index_bounds.h"

namespace gfx::gl {

class GlContext;

template <typename Base>
class GlResource : public Base {
public:
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    explicit GlResource(std::shared_ptr<GlContext> context) : context_(std::move(context)) {}
    // Keeps the context alive as long as GL objects of it exist.
    std::shared_ptr<GlContext> context_;

private:
    std::atomic<std::uint32_t> refs_{1};
};

class GlTexture final : public GlResource<Texture> {
public:
    // Null when the format or size can't be had.
    static GlTexture* Create(std::shared_ptr<GlContext> context,
                             std::shared_ptr<DrawCounters> counters, UINT width, UINT height,
                             UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    GLuint Name() const { return name_; }
    bool Mipmapped() const { return levels_.size() > 1; }
    // Gives the levels never written their zeros before a draw samples them; binds unit 0.
    void PrepareForSampling() {
        if (unwrittenLevels_ != 0)
            ZeroUnwrittenLevels();
    }

private:
    GlTexture(std::shared_ptr<GlContext> context, std::shared_ptr<DrawCounters> counters,
              const TextureFormat& format, DWORD usage, D3DPOOL pool);
    ~GlTexture() override;
    void Upload(UINT level, const std::uint8_t* bytes);
    void ZeroUnwrittenLevels();
    void MarkWritten(UINT level);
    // Fills the level's bytes from the driver's copy for a lock.
    void ReadBack(UINT level);

    struct Level {
        UINT width, height, pitch, rows;
        std::size_t Size() const { return std::size_t(pitch) * rows; }
        // Only while locked.
        std::vector<std::uint8_t> bytes;
        bool locked = false;
        bool readOnly = false;
        // Whether the driver holds its texels; until then they are zeros.
        bool written = false;
    };
    std::shared_ptr<DrawCounters> counters_;
    const TextureFormat& format_;
    DWORD usage_;
    D3DPOOL pool_;
    GLuint name_ = 0;
    std::vector<Level> levels_;
    std::size_t unwrittenLevels_ = 0;
};

// The bytes of a vertex or index buffer, kept on our side as well so locks hand out plain memory;
// an unlock uploads the range written since the first lock. A discarding lock of a dynamic buffer
// gives it fresh storage first, so the upload never waits for draws still reading the old one.
class GlBufferStorage {
public:
    GlBufferStorage(std::shared_ptr<DrawCounters> counters, UINT length, DWORD usage);
    ~GlBufferStorage();
    GlBufferStorage(const GlBufferStorage&) = delete;
    GlBufferStorage& operator=(const GlBufferStorage&) = delete;

    struct ByteRange {
        UINT begin = 0, end = 0;
    };

    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    // The context must be current when the last lock ends (it uploads) and at destruction.
    // `uploaded`, when given, gets the bytes sent (empty when none were).
    HRESULT Unlock(GlContext& context, ByteRange* uploaded = nullptr);
    GLuint Name() const { return name_; }
    const std::uint8_t* Bytes() const { return bytes_.data(); }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::shared_ptr<DrawCounters> counters_;
    DWORD usage_;
    GLuint name_ = 0;
    std::vector<std::uint8_t> bytes_;
    UINT dirtyBegin_ = 0, dirtyEnd_ = 0;
    int locks_ = 0;
    bool discard_ = false;
};

class GlVertexBuffer final : public GlResource<VertexBuffer> {
public:
    GlVertexBuffer(std::shared_ptr<GlContext> context, std::shared_ptr<DrawCounters> counters,
                   UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
    GLuint Name() const { return storage_.Name(); }

private:
    ~GlVertexBuffer() override;
    D3DVERTEXBUFFER_DESC desc_;
    GlBufferStorage storage_;
};

class GlIndexBuffer final : public GlResource<IndexBuffer> {
public:
    GlIndexBuffer(std::shared_ptr<GlContext> context, std::shared_ptr<DrawCounters> counters,
                  UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
    GLuint Name() const { return storage_.Name(); }
    D3DFORMAT Format() const { return desc_.Format; }
    // Whether the `count` indices from `first`, moved by `base`, all name one of `vertices`.
    bool IndicesFit(UINT first, UINT count, std::int64_t base, std::uint64_t vertices) const {
        return bounds_.Fits(storage_.Bytes(), first, count, base, vertices);
    }

private:
    ~GlIndexBuffer() override;
    D3DINDEXBUFFER_DESC desc_;
    GlBufferStorage storage_;
    IndexBounds bounds_;
};

}  // namespace gfx::gl
