#include "platform/win32/d3d9/d3d9_resources.h"

#include "platform/win32/d3d9/d3d9_records.h"

namespace gfx::d3d9 {

template <typename Interface, typename Native>
Wrapped<Interface, Native>::~Wrapped() {
    if (native_)
        native_->Release();
}

template class Wrapped<Texture, IDirect3DTexture9>;
template class Wrapped<VertexBuffer, IDirect3DVertexBuffer9>;
template class Wrapped<IndexBuffer, IDirect3DIndexBuffer9>;

DWORD D3d9Texture::GetLevelCount() {
    return static_cast<DWORD>(native_->GetLevelCount());
}

HRESULT D3d9Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetLevelDesc(level, Same<D3DSURFACE_DESC, ::D3DSURFACE_DESC>(desc)));
}

HRESULT D3d9Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked)
        return D3DERR_INVALIDCALL;
    return Result(native_->LockRect(level, Same<D3DLOCKED_RECT, ::D3DLOCKED_RECT>(locked),
                                    Same<RECT, ::RECT>(rect), flags));
}

HRESULT D3d9Texture::UnlockRect(UINT level) {
    return Result(native_->UnlockRect(level));
}

HRESULT D3d9VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data)
        return D3DERR_INVALIDCALL;
    return Result(native_->Lock(offset, size, data, flags));
}

HRESULT D3d9VertexBuffer::Unlock() {
    return Result(native_->Unlock());
}

HRESULT D3d9VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetDesc(Same<D3DVERTEXBUFFER_DESC, ::D3DVERTEXBUFFER_DESC>(desc)));
}

HRESULT D3d9IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data)
        return D3DERR_INVALIDCALL;
    return Result(native_->Lock(offset, size, data, flags));
}

HRESULT D3d9IndexBuffer::Unlock() {
    return Result(native_->Unlock());
}

HRESULT D3d9IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetDesc(Same<D3DINDEXBUFFER_DESC, ::D3DINDEXBUFFER_DESC>(desc)));
}

IDirect3DTexture9* NativeOf(Texture* texture) {
    return texture ? static_cast<D3d9Texture*>(texture)->NativeObject() : nullptr;
}

IDirect3DVertexBuffer9* NativeOf(VertexBuffer* buffer) {
    return buffer ? static_cast<D3d9VertexBuffer*>(buffer)->NativeObject() : nullptr;
}

IDirect3DIndexBuffer9* NativeOf(IndexBuffer* buffer) {
    return buffer ? static_cast<D3d9IndexBuffer*>(buffer)->NativeObject() : nullptr;
}

}  // namespace gfx::d3d9
