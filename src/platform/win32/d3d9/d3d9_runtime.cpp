#include "platform/win32/d3d9/d3d9_runtime.h"

#include "platform/win32/d3d9/d3d9_device.h"
#include "platform/win32/d3d9/d3d9_records.h"
#include "platform/win32/d3d9/device_window.h"
#include "platform/win32/d3d9/presentation_interval.h"

namespace gfx {

Runtime* CreateRuntime() {
    return d3d9::D3d9Runtime::Create();
}

}  // namespace gfx

namespace gfx::d3d9 {

namespace {

// The SDK version the program asks the runtime for (DirectX 9.0c).
constexpr UINT kSdkVersion = 31;

using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT);

}  // namespace

D3d9Runtime* D3d9Runtime::Create() {
    HMODULE library = LoadLibraryA("d3d9.dll");
    if (!library)
        return nullptr;
    const auto create = reinterpret_cast<Direct3DCreate9Function>(
        reinterpret_cast<void*>(GetProcAddress(library, "Direct3DCreate9")));
    IDirect3D9* native = create ? create(kSdkVersion) : nullptr;
    if (!native) {
        FreeLibrary(library);
        return nullptr;
    }
    return new D3d9Runtime(library, native);
}

D3d9Runtime::~D3d9Runtime() {
    native_->Release();
    FreeLibrary(library_);
}

std::uint32_t D3d9Runtime::Release() {
    const std::uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

UINT D3d9Runtime::GetAdapterCount() {
    return native_->GetAdapterCount();
}

HRESULT D3d9Runtime::GetAdapterIdentifier(UINT adapter, DWORD flags,
                                          D3DADAPTER_IDENTIFIER9* identifier) {
    if (!identifier)
        return D3DERR_INVALIDCALL;
    ::D3DADAPTER_IDENTIFIER9 native{};
    const HRESULT hr = Result(native_->GetAdapterIdentifier(adapter, flags, &native));
    if (Succeeded(hr))
        *identifier = IdentifierOf(native);
    return hr;
}

UINT D3d9Runtime::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    return native_->GetAdapterModeCount(adapter, static_cast<::D3DFORMAT>(format));
}

HRESULT D3d9Runtime::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                      D3DDISPLAYMODE* displayMode) {
    if (!displayMode)
        return D3DERR_INVALIDCALL;
    return Result(native_->EnumAdapterModes(adapter, static_cast<::D3DFORMAT>(format), mode,
                                            Same<D3DDISPLAYMODE, ::D3DDISPLAYMODE>(displayMode)));
}

HRESULT D3d9Runtime::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (!mode)
        return D3DERR_INVALIDCALL;
    return Result(
        native_->GetAdapterDisplayMode(adapter, Same<D3DDISPLAYMODE, ::D3DDISPLAYMODE>(mode)));
}

HRESULT D3d9Runtime::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (!caps)
        return D3DERR_INVALIDCALL;
    ::D3DCAPS9 native{};
    const HRESULT hr =
        Result(native_->GetDeviceCaps(adapter, static_cast<::D3DDEVTYPE>(type), &native));
    if (Succeeded(hr))
        *caps = CapsOf(native);
    return hr;
}

HRESULT D3d9Runtime::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                     D3DFORMAT backBufferFormat, BOOL windowed) {
    return Result(native_->CheckDeviceType(adapter, static_cast<::D3DDEVTYPE>(type),
                                           static_cast<::D3DFORMAT>(adapterFormat),
                                           static_cast<::D3DFORMAT>(backBufferFormat), windowed));
}

HRESULT D3d9Runtime::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                       DWORD usage, D3DRESOURCETYPE resourceType,
                                       D3DFORMAT checkFormat) {
    return Result(native_->CheckDeviceFormat(
        adapter, static_cast<::D3DDEVTYPE>(type), static_cast<::D3DFORMAT>(adapterFormat), usage,
        static_cast<::D3DRESOURCETYPE>(resourceType), static_cast<::D3DFORMAT>(checkFormat)));
}

HRESULT D3d9Runtime::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type,
                                            D3DFORMAT adapterFormat, D3DFORMAT renderTargetFormat,
                                            D3DFORMAT depthStencilFormat) {
    return Result(native_->CheckDepthStencilMatch(adapter, static_cast<::D3DDEVTYPE>(type),
                                                  static_cast<::D3DFORMAT>(adapterFormat),
                                                  static_cast<::D3DFORMAT>(renderTargetFormat),
                                                  static_cast<::D3DFORMAT>(depthStencilFormat)));
}

HRESULT D3d9Runtime::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type,
                                                D3DFORMAT surfaceFormat, BOOL windowed,
                                                D3DMULTISAMPLE_TYPE multiSampleType,
                                                DWORD* qualityLevels) {
    ::DWORD levels = 0;
    const HRESULT hr = Result(native_->CheckDeviceMultiSampleType(
        adapter, static_cast<::D3DDEVTYPE>(type), static_cast<::D3DFORMAT>(surfaceFormat),
        windowed, static_cast<::D3DMULTISAMPLE_TYPE>(multiSampleType), &levels));
    if (Succeeded(hr) && qualityLevels)
        *qualityLevels = static_cast<DWORD>(levels);
    return hr;
}

HRESULT D3d9Runtime::CreateDevice(UINT adapter, D3DDEVTYPE type,
                                  platform::WindowHandle focusWindow, DWORD behaviourFlags,
                                  D3DPRESENT_PARAMETERS* params, Device** device) {
    if (!params || !device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    ::D3DCAPS9 caps{};
    if (FAILED(native_->GetDeviceCaps(adapter, static_cast<::D3DDEVTYPE>(type), &caps)))
        return D3DERR_NOTAVAILABLE;
    const platform::WindowHandle handle =
        params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
    if (handle && !IsWindow(WindowOf(handle)))
        return D3DERR_INVALIDCALL;
    // Without a window of its own the device draws into a hidden one it owns.
    HWND ownWindow = nullptr;
    if (!handle) {
        ownWindow = CreateDeviceWindow(params->BackBufferWidth, params->BackBufferHeight);
        if (!ownWindow)
            return D3DERR_NOTAVAILABLE;
    }
    HWND window = ownWindow ? ownWindow : WindowOf(handle);
    ::D3DPRESENT_PARAMETERS native = NativePresentParameters(*params);
    native.hDeviceWindow = window;
    native.PresentationInterval =
        PacedInterval(params->PresentationInterval, static_cast<DWORD>(caps.PresentationIntervals),
                      ownWindow != nullptr);
    IDirect3DDevice9* created = nullptr;
    const HRESULT hr = Result(native_->CreateDevice(adapter, static_cast<::D3DDEVTYPE>(type),
                                                    focusWindow ? WindowOf(focusWindow) : window,
                                                    behaviourFlags, &native, &created));
    if (Failed(hr) || !created) {
        if (ownWindow)
            DestroyWindow(ownWindow);
        return Failed(hr) ? hr : D3DERR_NOTAVAILABLE;
    }
    TakePresentParameters(native, *params);
    params->hDeviceWindow = handle;
    *device = new D3d9Device(Ref<Runtime>::Share(this), created, *params,
                             static_cast<DWORD>(caps.PresentationIntervals), ownWindow);
    return S_OK;
}

DWORD D3d9Runtime::GetApiVersion() {
    return 0x00090000;
}

}  // namespace gfx::d3d9
