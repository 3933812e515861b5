#include "platform/win32/d3d9/d3d9_device.h"

#include <cstring>

#include "platform/win32/d3d9/d3d9_records.h"
#include "platform/win32/d3d9/d3d9_resources.h"
#include "platform/win32/d3d9/presentation_interval.h"

namespace gfx::d3d9 {

namespace {

// Finish gives up after this long rather than hang on a device that never answers.
constexpr ULONGLONG kFinishLimitMs = 10000;

bool SameRamp(const D3DGAMMARAMP& a, const D3DGAMMARAMP& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

D3d9Device::D3d9Device(Ref<Runtime> runtime, IDirect3DDevice9* native,
                       const D3DPRESENT_PARAMETERS& params, DWORD offeredIntervals,
                       HWND ownWindow)
    : runtime_(std::move(runtime)),
      native_(native),
      params_(params),
      offeredIntervals_(offeredIntervals),
      ownWindow_(ownWindow) {
    native_->GetGammaRamp(0, Same<D3DGAMMARAMP, ::D3DGAMMARAMP>(&displayGamma_));
    gamma_ = displayGamma_;
}

D3d9Device::~D3d9Device() {
    if (gammaOnDisplay_)
        native_->SetGammaRamp(0, 0, Same<D3DGAMMARAMP, ::D3DGAMMARAMP>(&displayGamma_));
    finishQuery_.reset();
    for (auto& texture : textures_)
        texture.reset();
    native_->Release();
    if (ownWindow_)
        DestroyWindow(ownWindow_);
}

std::uint32_t D3d9Device::Release() {
    const std::uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT D3d9Device::TestCooperativeLevel() {
    return Result(native_->TestCooperativeLevel());
}

void D3d9Device::DropBindings() {
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        native_->SetTexture(stage, nullptr);
        textures_[stage].reset();
    }
    native_->SetStreamSource(0, nullptr, 0, 0);
    native_->SetIndices(nullptr);
    finishQuery_.reset();
}

HRESULT D3d9Device::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params)
        return D3DERR_INVALIDCALL;
    if (params->hDeviceWindow && !IsWindow(WindowOf(params->hDeviceWindow)))
        return D3DERR_INVALIDCALL;
    // Leaving full screen gives the display its own ramp back.
    if (gammaOnDisplay_ && params->Windowed) {
        native_->SetGammaRamp(0, 0, Same<D3DGAMMARAMP, ::D3DGAMMARAMP>(&displayGamma_));
        gammaOnDisplay_ = false;
    }
    DropBindings();
    ::D3DPRESENT_PARAMETERS native = NativePresentParameters(*params);
    const platform::WindowHandle window =
        params->hDeviceWindow ? params->hDeviceWindow : params_.hDeviceWindow;
    native.hDeviceWindow = ownWindow_ ? ownWindow_ : WindowOf(window);
    native.PresentationInterval =
        PacedInterval(params->PresentationInterval, offeredIntervals_, ownWindow_ != nullptr);
    const HRESULT hr = Result(native_->Reset(&native));
    if (Failed(hr))
        return hr;
    TakePresentParameters(native, *params);
    params_ = *params;
    params_.hDeviceWindow = window;
    if (FullScreen() && !SameRamp(gamma_, displayGamma_)) {
        native_->SetGammaRamp(0, D3DSGR_CALIBRATE, Same<D3DGAMMARAMP, ::D3DGAMMARAMP>(&gamma_));
        gammaOnDisplay_ = true;
    }
    return S_OK;
}

HRESULT D3d9Device::Present() {
    return Result(native_->Present(nullptr, nullptr, nullptr, nullptr));
}

HRESULT D3d9Device::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps)
        return D3DERR_INVALIDCALL;
    ::D3DCAPS9 native{};
    const HRESULT hr = Result(native_->GetDeviceCaps(&native));
    if (Succeeded(hr))
        *caps = CapsOf(native);
    return hr;
}

HRESULT D3d9Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (!mode)
        return D3DERR_INVALIDCALL;
    return Result(
        native_->GetDisplayMode(swapChain, Same<D3DDISPLAYMODE, ::D3DDISPLAYMODE>(mode)));
}

HRESULT D3d9Device::GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    ComRef<IDirect3DSurface9> surface;
    const HRESULT hr =
        Result(native_->GetBackBuffer(swapChain, index, ::D3DBACKBUFFER_TYPE_MONO, surface.put()));
    if (Failed(hr))
        return hr;
    return Result(surface->GetDesc(Same<D3DSURFACE_DESC, ::D3DSURFACE_DESC>(desc)));
}

void D3d9Device::SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) {
    if (swapChain != 0 || !ramp)
        return;
    gamma_ = *ramp;
    if (FullScreen()) {
        native_->SetGammaRamp(0, flags, Same<D3DGAMMARAMP, ::D3DGAMMARAMP>(ramp));
        gammaOnDisplay_ = true;
    }
}

void D3d9Device::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
    if (swapChain == 0 && ramp)
        *ramp = gamma_;
}

HRESULT D3d9Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, Texture** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    IDirect3DTexture9* native = nullptr;
    const HRESULT hr = Result(native_->CreateTexture(width, height, levels, usage,
                                                     static_cast<::D3DFORMAT>(format),
                                                     static_cast<::D3DPOOL>(pool), &native, nullptr));
    if (Failed(hr))
        return hr;
    *texture = new D3d9Texture(native);
    return S_OK;
}

HRESULT D3d9Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       VertexBuffer** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    IDirect3DVertexBuffer9* native = nullptr;
    const HRESULT hr = Result(native_->CreateVertexBuffer(
        length, usage, fvf, static_cast<::D3DPOOL>(pool), &native, nullptr));
    if (Failed(hr))
        return hr;
    *buffer = new D3d9VertexBuffer(native);
    return S_OK;
}

HRESULT D3d9Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IndexBuffer** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    IDirect3DIndexBuffer9* native = nullptr;
    const HRESULT hr = Result(native_->CreateIndexBuffer(length, usage,
                                                         static_cast<::D3DFORMAT>(format),
                                                         static_cast<::D3DPOOL>(pool), &native, nullptr));
    if (Failed(hr))
        return hr;
    *buffer = new D3d9IndexBuffer(native);
    return S_OK;
}

HRESULT D3d9Device::BeginScene() {
    return Result(native_->BeginScene());
}

HRESULT D3d9Device::EndScene() {
    return Result(native_->EndScene());
}

HRESULT D3d9Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) {
    return Result(native_->Clear(count, Same<D3DRECT, ::D3DRECT>(rects), flags, color, z, stencil));
}

HRESULT D3d9Device::SetTexture(DWORD stage, Texture* texture) {
    if (stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    const HRESULT hr = Result(native_->SetTexture(stage, NativeOf(texture)));
    if (Succeeded(hr))
        textures_[stage] = Ref<Texture>::Share(texture);
    return hr;
}

HRESULT D3d9Device::GetTexture(DWORD stage, Texture** texture) {
    if (!texture || stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    *texture = textures_[stage].get();
    if (*texture)
        (*texture)->AddRef();
    return S_OK;
}

HRESULT D3d9Device::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) {
    return Result(native_->SetStreamSource(stream, NativeOf(buffer), offset, stride));
}

HRESULT D3d9Device::SetIndices(IndexBuffer* buffer) {
    return Result(native_->SetIndices(NativeOf(buffer)));
}

HRESULT D3d9Device::Finish() {
    if (!finishQuery_ && FAILED(native_->CreateQuery(D3DQUERYTYPE_EVENT, finishQuery_.put())))
        return D3DERR_NOTAVAILABLE;
    ::HRESULT hr = finishQuery_->Issue(D3DISSUE_END);
    if (FAILED(hr))
        return Result(hr);
    const ULONGLONG start = GetTickCount64();
    while ((hr = finishQuery_->GetData(nullptr, 0, D3DGETDATA_FLUSH)) == S_FALSE) {
        if (GetTickCount64() - start > kFinishLimitMs)
            return D3DERR_WASSTILLDRAWING;
        SwitchToThread();
    }
    return Result(hr);
}

}  // namespace gfx::d3d9
