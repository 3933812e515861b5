// A recording stand-in for the graphics runtime and device: every call is written to a shared
// log as text ("SetRenderState(22, 3)"), and the answers come from a scripted description of
// adapters, modes, capabilities and device results. Tests of device selection, materials and
// drawing use it without a display.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gfx/runtime.h"

namespace gfx::fake {

// One adapter format x back-buffer format x windowed triple that CheckDeviceType accepts.
struct FakeCombo {
    D3DFORMAT adapterFormat;
    D3DFORMAT backBufferFormat;
    bool windowed;
};

struct FakeDeviceType {
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    D3DCAPS9 caps{};
    std::vector<FakeCombo> combos;
    // Depth formats CheckDeviceFormat and CheckDepthStencilMatch accept.
    std::vector<D3DFORMAT> depthFormats;
    // Multisample types with their quality-level counts, for every surface format.
    std::vector<std::pair<D3DMULTISAMPLE_TYPE, DWORD>> multiSample;
    // (depth format, multisample type) pairs that cannot be combined.
    std::vector<std::pair<D3DFORMAT, D3DMULTISAMPLE_TYPE>> depthConflicts;
};

struct FakeAdapter {
    std::string description = "Fake adapter";
    D3DDISPLAYMODE desktop{1920, 1080, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes;
    std::vector<FakeDeviceType> devices;
};

struct FakeScript {
    std::vector<FakeAdapter> adapters;
    HRESULT createDeviceResult = S_OK;
    DWORD apiVersion = 0x00030300;
};

// A typical adapter: desktop 1920 x 1080 at 60 Hz in X8R8G8B8; modes 640 x 480 to 1920 x 1080 at
// 60 and 75 Hz in X8R8G8B8 and R5G6B5; one HAL device with hardware T&L, intervals IMMEDIATE and
// ONE, back buffers A8R8G8B8 and X8R8G8B8 (windowed and full screen) and R5G6B5 (full screen),
// depth formats D16, D24X8, D24S8 and D32, multisampling NONE (1 level) and 2 samples (2 levels).
FakeAdapter StandardAdapter();
D3DCAPS9 StandardCaps(D3DDEVTYPE type);

// The calls in order, as "Name(arg, arg, ...)": integers in decimal, floats as %g, textures and
// buffers as "tex#N" / "vb#N" / "ib#N" (N counts creations from 1), null pointers as "null".
class CallLog {
public:
    void Add(std::string call) { calls_.push_back(std::move(call)); }
    const std::vector<std::string>& Calls() const { return calls_; }
    // How many calls have this name ("SetMaterial").
    std::size_t Count(std::string_view name) const;
    bool Contains(std::string_view call) const;
    void Clear() { calls_.clear(); }

private:
    std::vector<std::string> calls_;
};

// Results a device gives, changeable while a test runs.
struct FakeDeviceScript {
    HRESULT cooperativeLevel = S_OK;
    HRESULT resetResult = S_OK;
    HRESULT beginSceneResult = S_OK;
    HRESULT createResourceResult = S_OK;
};

class FakeDevice;

class FakeRuntime final : public Runtime {
public:
    explicit FakeRuntime(FakeScript script);

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
    DWORD GetApiVersion() override { return script_.apiVersion; }

    FakeScript& Script() { return script_; }
    // Shared by the runtime and every device it creates.
    CallLog& Log() { return *log_; }
    // Results for devices created from now on and for the last one created.
    FakeDeviceScript& DeviceScript() { return *deviceScript_; }
    // The device created last (not referenced; null when none was created).
    FakeDevice* LastDevice() { return *lastDevice_; }

private:
    ~FakeRuntime() override;
    const FakeDeviceType* Find(UINT adapter, D3DDEVTYPE type) const;

    std::uint32_t refs_ = 1;
    FakeScript script_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<FakeDeviceScript> deviceScript_;
    std::shared_ptr<FakeDevice*> lastDevice_;
};

}  // namespace gfx::fake
