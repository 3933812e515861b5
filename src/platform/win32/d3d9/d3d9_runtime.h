// The runtime over IDirect3D9, from d3d9.dll loaded at run time.
#pragma once

#include "platform/gfx/runtime.h"

#include "platform/win32/d3d9/d3d9_api.h"

namespace gfx::d3d9 {

class D3d9Runtime final : public Runtime {
public:
    // Null when d3d9.dll, its export or the runtime object is missing.
    static D3d9Runtime* Create();

    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override;

    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags,
                                 D3DADAPTER_IDENTIFIER9* identifier) override;
    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                             D3DDISPLAYMODE* displayMode) override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                            D3DFORMAT backBufferFormat, BOOL windowed) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat,
                                   D3DFORMAT depthStencilFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat,
                                       BOOL windowed, D3DMULTISAMPLE_TYPE multiSampleType,
                                       DWORD* qualityLevels) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, platform::WindowHandle focusWindow,
                         DWORD behaviourFlags, D3DPRESENT_PARAMETERS* params,
                         Device** device) override;
    DWORD GetApiVersion() override;

private:
    D3d9Runtime(HMODULE library, IDirect3D9* native) : library_(library), native_(native) {}
    ~D3d9Runtime() override;

    std::uint32_t refs_ = 1;
    HMODULE library_;
    IDirect3D9* native_;
};

}  // namespace gfx::d3d9
