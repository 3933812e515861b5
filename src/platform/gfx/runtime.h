// The graphics runtime: adapters, their display modes and capabilities, the device checks the
// enumeration makes, and device creation, as Direct3D 9's runtime object offers them.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d_types.h"
#include "platform/gfx/device.h"
#include "platform/gfx/unknown.h"

namespace gfx {

class Runtime : public Unknown {
public:
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags,
                                         D3DADAPTER_IDENTIFIER9* identifier) = 0;
    virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
    virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                     D3DDISPLAYMODE* displayMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) = 0;
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resourceType,
                                      D3DFORMAT checkFormat) = 0;
    virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat,
                                           D3DFORMAT depthStencilFormat) = 0;
    // qualityLevels may be null.
    virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type,
                                               D3DFORMAT surfaceFormat, BOOL windowed,
                                               D3DMULTISAMPLE_TYPE multiSampleType,
                                               DWORD* qualityLevels) = 0;
    // focusWindow: as D3DPRESENT_PARAMETERS::hDeviceWindow; the parameters' window wins when
    // both are given.
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, platform::WindowHandle focusWindow,
                                 DWORD behaviourFlags, D3DPRESENT_PARAMETERS* params,
                                 Device** device) = 0;
    // The version of the graphics API underneath, packed as major << 16 | minor << 8
    // (OpenGL 3.3 gives 0x00030300); 0 when none can be had.
    virtual DWORD GetApiVersion() = 0;
};

// The platform's runtime (OpenGL on Linux), with one reference for the caller; null when the
// platform has no usable graphics.
Runtime* CreateRuntime();

}  // namespace gfx
