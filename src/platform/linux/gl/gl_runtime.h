// The OpenGL runtime: adapters are SDL displays, formats and capabilities are what the OpenGL
// device renders, devices draw through a GL 3.3 core context.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/gfx/runtime.h"

namespace gfx::gl {

// What a probe context told about the GL implementation.
struct GlInfo {
    DWORD version = 0;  // major << 16 | minor << 8
    std::string renderer;
    int maxSamples = 0;
    int maxTextureSize = 0;
    bool compressedTextures = false;
};

class GlRuntime final : public Runtime {
public:
    // Null without a display or without OpenGL 3.3.
    static GlRuntime* Create();

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
    DWORD GetApiVersion() override { return info_.version; }

    const GlInfo& Info() const { return info_; }
    // Multisampled back buffers on a software rasterizer cost more than they give (see the
    // gfx benchmark); the multisample queries then answer only NONE.
    bool OffersMultisampling() const;

private:
    GlRuntime() = default;
    ~GlRuntime() override = default;
    bool ValidAdapter(UINT adapter, D3DDEVTYPE type) const;

    std::atomic<std::uint32_t> refs_{1};
    GlInfo info_;
};

// The runtime's description of a display's modes: SDL modes as D3D formats, no duplicates.
std::vector<D3DDISPLAYMODE> DisplayModes(int display, D3DFORMAT format);

}  // namespace gfx::gl
