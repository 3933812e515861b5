#include "platform/linux/gl/gl_resources.h"

#include <algorithm>

#include "platform/linux/gl/gl_context.h"

namespace gfx::gl {

namespace {

// Textures larger than this are refused rather than allocated.
constexpr UINT kMaxTextureSize = 8192;

// Locks and uploads touch GL_TEXTURE0's binding only; the device rebinds before drawing.
void BindForUpload(GLuint texture) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
}

}  // namespace

GlTexture* GlTexture::Create(std::shared_ptr<GlContext> context,
                             std::shared_ptr<DrawCounters> counters, UINT width, UINT height,
                             UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    const TextureFormat* found = FindTextureFormat(format);
    if (!found || width == 0 || height == 0 || width > kMaxTextureSize ||
        height > kMaxTextureSize) {
        return nullptr;
    }
    auto* texture = new GlTexture(std::move(context), std::move(counters), *found, usage, pool);
    UINT w = width, h = height;
    const UINT wanted = (usage & D3DUSAGE_AUTOGENMIPMAP) ? 0 : levels;
    while (true) {
        Level level{};
        level.width = w;
        level.height = h;
        if (found->blockBytes) {
            level.pitch = (w + 3) / 4 * found->blockBytes;
            level.rows = (h + 3) / 4;
        } else {
            level.pitch = w * found->bytesPerPixel;
            level.rows = h;
        }
        texture->levels_.push_back(level);
        if ((wanted && texture->levels_.size() >= wanted) || (w == 1 && h == 1))
            break;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    glGenTextures(1, &texture->name_);
    BindForUpload(texture->name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL,
                    static_cast<GLint>(texture->levels_.size()) - 1);
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, found->swizzle);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The driver allocates the levels without texels; they count as zeros until written.
    for (UINT i = 0; i < texture->levels_.size(); ++i) {
        const Level& level = texture->levels_[i];
        if (found->blockBytes) {
            glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), found->internalFormat,
                                   static_cast<GLsizei>(level.width),
                                   static_cast<GLsizei>(level.height), 0,
                                   static_cast<GLsizei>(level.Size()), nullptr);
        } else {
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i),
                         static_cast<GLint>(found->internalFormat),
                         static_cast<GLsizei>(level.width), static_cast<GLsizei>(level.height), 0,
                         found->pixelFormat, found->pixelType, nullptr);
        }
    }
    texture->unwrittenLevels_ = texture->levels_.size();
    if (glGetError() != GL_NO_ERROR) {
        texture->Release();
        return nullptr;
    }
    return texture;
}

GlTexture::GlTexture(std::shared_ptr<GlContext> context, std::shared_ptr<DrawCounters> counters,
                     const TextureFormat& format, DWORD usage, D3DPOOL pool)
    : GlResource(std::move(context)),
      counters_(std::move(counters)),
      format_(format),
      usage_(usage),
      pool_(pool) {}

GlTexture::~GlTexture() {
    context_->MakeCurrent();
    if (name_)
        glDeleteTextures(1, &name_);
}

HRESULT GlTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels_.size() || !desc)
        return D3DERR_INVALIDCALL;
    *desc = {format_.format,       D3DRTYPE_SURFACE,     usage_, pool_, D3DMULTISAMPLE_NONE, 0,
             levels_[level].width, levels_[level].height};
    return S_OK;
}

HRESULT GlTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= levels_.size() || !locked)
        return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    if (l.locked)
        return D3DERR_INVALIDCALL;
    std::size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
            rect->top >= rect->bottom || static_cast<UINT>(rect->right) > l.width ||
            static_cast<UINT>(rect->bottom) > l.height) {
            return D3DERR_INVALIDCALL;
        }
        if (format_.blockBytes) {
            offset = static_cast<std::size_t>(rect->top / 4) * l.pitch +
                     static_cast<std::size_t>(rect->left / 4) * format_.blockBytes;
        } else {
            offset = static_cast<std::size_t>(rect->top) * l.pitch +
                     static_cast<std::size_t>(rect->left) * format_.bytesPerPixel;
        }
    }
    if (l.written) {
        ReadBack(level);
    } else {
        l.bytes.assign(l.Size(), 0);
    }
    l.locked = true;
    l.readOnly = (flags & D3DLOCK_READONLY) != 0;
    locked->Pitch = static_cast<std::int32_t>(l.pitch);
    locked->pBits = l.bytes.data() + offset;
    return S_OK;
}

HRESULT GlTexture::UnlockRect(UINT level) {
    if (level >= levels_.size() || !levels_[level].locked)
        return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    l.locked = false;
    if (!l.readOnly) {
        Upload(level, l.bytes.data());
        MarkWritten(level);
        if (level == 0 && (usage_ & D3DUSAGE_AUTOGENMIPMAP) && levels_.size() > 1) {
            glGenerateMipmap(GL_TEXTURE_2D);
            for (UINT i = 1; i < levels_.size(); ++i)
                MarkWritten(i);
        }
    }
    // The texture's memory is the driver's; ours is held only while a lock is open.
    std::vector<std::uint8_t>().swap(l.bytes);
    return S_OK;
}

void GlTexture::ReadBack(UINT level) {
    context_->MakeCurrent();
    Level& l = levels_[level];
    l.bytes.assign(l.Size(), 0);
    BindForUpload(name_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ++counters_->textureReadBacks;
    if (format_.blockBytes) {
        glGetCompressedTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), l.bytes.data());
    } else {
        glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), format_.pixelFormat,
                      format_.pixelType, l.bytes.data());
    }
}

void GlTexture::Upload(UINT level, const std::uint8_t* bytes) {
    context_->MakeCurrent();
    const Level& l = levels_[level];
    BindForUpload(name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (format_.blockBytes) {
        glCompressedTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0,
                                  static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height),
                                  format_.internalFormat, static_cast<GLsizei>(l.Size()), bytes);
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0,
                        static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height),
                        format_.pixelFormat, format_.pixelType, bytes);
    }
}

void GlTexture::MarkWritten(UINT level) {
    if (!levels_[level].written) {
        levels_[level].written = true;
        --unwrittenLevels_;
    }
}

void GlTexture::ZeroUnwrittenLevels() {
    const std::vector<std::uint8_t> zeros(levels_[0].Size(), 0);
    for (UINT i = 0; i < levels_.size(); ++i) {
        if (levels_[i].written)
            continue;
        Upload(i, zeros.data());
        MarkWritten(i);
    }
}

namespace {

GLenum BufferUsage(DWORD usage) {
    return (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
}

}  // namespace

GlBufferStorage::GlBufferStorage(std::shared_ptr<DrawCounters> counters, UINT length, DWORD usage)
    : counters_(std::move(counters)), usage_(usage), bytes_(length) {
    // Bound through GL_ARRAY_BUFFER so that no vertex array's element binding changes.
    glGenBuffers(1, &name_);
    glBindBuffer(GL_ARRAY_BUFFER, name_);
    glBufferData(GL_ARRAY_BUFFER, length, nullptr, BufferUsage(usage));
}

GlBufferStorage::~GlBufferStorage() {
    glDeleteBuffers(1, &name_);
}

HRESULT GlBufferStorage::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data || offset > bytes_.size())
        return D3DERR_INVALIDCALL;
    if (size == 0)
        size = static_cast<UINT>(bytes_.size()) - offset;
    if (size > bytes_.size() - offset)
        return D3DERR_INVALIDCALL;
    if (!(flags & D3DLOCK_READONLY)) {
        // As in D3D, only dynamic buffers can be discarded.
        if ((flags & D3DLOCK_DISCARD) && (usage_ & D3DUSAGE_DYNAMIC))
            discard_ = true;
        if (dirtyBegin_ == dirtyEnd_) {
            dirtyBegin_ = offset;
            dirtyEnd_ = offset + size;
        } else {
            dirtyBegin_ = std::min(dirtyBegin_, offset);
            dirtyEnd_ = std::max(dirtyEnd_, offset + size);
        }
    }
    ++locks_;
    *data = bytes_.data() + offset;
    return S_OK;
}

HRESULT GlBufferStorage::Unlock(GlContext& context, ByteRange* uploaded) {
    if (locks_ == 0)
        return D3DERR_INVALIDCALL;
    if (uploaded)
        *uploaded = {};
    if (--locks_ == 0 && dirtyEnd_ > dirtyBegin_) {
        context.MakeCurrent();
        glBindBuffer(GL_ARRAY_BUFFER, name_);
        if (discard_) {
            // What the old storage held is no longer promised, so it is dropped, not waited on.
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes_.size()), nullptr,
                         BufferUsage(usage_));
            ++counters_->bufferOrphans;
            discard_ = false;
        }
        glBufferSubData(GL_ARRAY_BUFFER, dirtyBegin_, dirtyEnd_ - dirtyBegin_,
                        bytes_.data() + dirtyBegin_);
        counters_->bufferBytesUploaded += dirtyEnd_ - dirtyBegin_;
        if (uploaded)
            *uploaded = {dirtyBegin_, dirtyEnd_};
        dirtyBegin_ = dirtyEnd_ = 0;
    }
    return S_OK;
}

GlVertexBuffer::GlVertexBuffer(std::shared_ptr<GlContext> context,
                               std::shared_ptr<DrawCounters> counters, UINT length, DWORD usage,
                               DWORD fvf, D3DPOOL pool)
    : GlResource(std::move(context)),
      desc_{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf},
      storage_(std::move(counters), length, usage) {}

GlVertexBuffer::~GlVertexBuffer() {
    context_->MakeCurrent();
}

HRESULT GlVertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    return storage_.Lock(offset, size, data, flags);
}

HRESULT GlVertexBuffer::Unlock() {
    return storage_.Unlock(*context_);
}

HRESULT GlVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = desc_;
    return S_OK;
}

GlIndexBuffer::GlIndexBuffer(std::shared_ptr<GlContext> context,
                             std::shared_ptr<DrawCounters> counters, UINT length, DWORD usage,
                             D3DFORMAT format, D3DPOOL pool)
    : GlResource(std::move(context)),
      desc_{format, D3DRTYPE_INDEXBUFFER, usage, pool, length},
      storage_(std::move(counters), length, usage),
      bounds_(format == D3DFMT_INDEX32 ? 4 : 2) {}

GlIndexBuffer::~GlIndexBuffer() {
    context_->MakeCurrent();
}

HRESULT GlIndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    return storage_.Lock(offset, size, data, flags);
}

HRESULT GlIndexBuffer::Unlock() {
    GlBufferStorage::ByteRange uploaded;
    const HRESULT result = storage_.Unlock(*context_, &uploaded);
    // The bounds follow what the driver holds, so a draw never reads its indices again.
    if (uploaded.end > uploaded.begin)
        bounds_.Written(storage_.Bytes(), storage_.Size(), uploaded.begin, uploaded.end);
    return result;
}

HRESULT GlIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = desc_;
    return S_OK;
}

}  // namespace gfx::gl
