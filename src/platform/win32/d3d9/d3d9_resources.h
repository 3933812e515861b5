// Textures and vertex and index buffers: our reference-counted objects, each holding one
// reference to its Direct3D 9 object.
#pragma once

#include "platform/gfx/device.h"

struct IDirect3DTexture9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;

namespace gfx::d3d9 {

// The reference count our objects share; the native object goes with the last reference.
template <typename Interface, typename Native>
class Wrapped : public Interface {
public:
    explicit Wrapped(Native* native) : native_(native) {}
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    Native* NativeObject() const { return native_; }

protected:
    ~Wrapped() override;
    Native* native_;

private:
    std::uint32_t refs_ = 1;
};

class D3d9Texture final : public Wrapped<Texture, IDirect3DTexture9> {
public:
    using Wrapped::Wrapped;
    DWORD GetLevelCount() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
};

class D3d9VertexBuffer final : public Wrapped<VertexBuffer, IDirect3DVertexBuffer9> {
public:
    using Wrapped::Wrapped;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
};

class D3d9IndexBuffer final : public Wrapped<IndexBuffer, IDirect3DIndexBuffer9> {
public:
    using Wrapped::Wrapped;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
};

// The native object of one of ours (null for null).
IDirect3DTexture9* NativeOf(Texture* texture);
IDirect3DVertexBuffer9* NativeOf(VertexBuffer* buffer);
IDirect3DIndexBuffer9* NativeOf(IndexBuffer* buffer);

}  // namespace gfx::d3d9
