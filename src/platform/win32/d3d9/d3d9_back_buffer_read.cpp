// Reading the back buffer: Direct3D 9 hands a render target's pixels over only as a copy into
// a system-memory surface, and only from a single-sampled one.
#include "platform/win32/d3d9/d3d9_device.h"

#include "platform/win32/d3d9/d3d9_records.h"
#include "platform/win32/d3d9/pixel_rows.h"

namespace gfx::d3d9 {

HRESULT D3d9Device::ReadBackBuffer(std::uint32_t* argb, UINT pitch) {
    if (!argb)
        return D3DERR_INVALIDCALL;
    ComRef<IDirect3DSurface9> back;
    HRESULT hr = Result(native_->GetBackBuffer(0, 0, ::D3DBACKBUFFER_TYPE_MONO, back.put()));
    if (Failed(hr))
        return hr;
    ::D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    if (pitch < desc.Width)
        return D3DERR_INVALIDCALL;
    ComRef<IDirect3DSurface9> source = std::move(back);
    if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
        ComRef<IDirect3DSurface9> resolved;
        hr = Result(native_->CreateRenderTarget(desc.Width, desc.Height, desc.Format,
                                                ::D3DMULTISAMPLE_NONE, 0, FALSE, resolved.put(),
                                                nullptr));
        if (Succeeded(hr))
            hr = Result(native_->StretchRect(source.get(), nullptr, resolved.get(), nullptr,
                                             ::D3DTEXF_NONE));
        if (Failed(hr))
            return hr;
        source = std::move(resolved);
    }
    ComRef<IDirect3DSurface9> copy;
    hr = Result(native_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                     ::D3DPOOL_SYSTEMMEM, copy.put(), nullptr));
    if (Succeeded(hr))
        hr = Result(native_->GetRenderTargetData(source.get(), copy.get()));
    if (Failed(hr))
        return hr;
    ::D3DLOCKED_RECT locked{};
    hr = Result(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    if (Failed(hr))
        return hr;
    bool known = true;
    const auto* rows = static_cast<const unsigned char*>(locked.pBits);
    for (UINT y = 0; y < desc.Height && known; ++y) {
        known = ToArgbRow(static_cast<D3DFORMAT>(desc.Format),
                          rows + static_cast<std::size_t>(y) * locked.Pitch, desc.Width,
                          argb + static_cast<std::size_t>(y) * pitch);
    }
    copy->UnlockRect();
    return known ? S_OK : D3DERR_INVALIDCALL;
}

}  // namespace gfx::d3d9
