#include "platform/fake/gfx/fake_runtime.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/fake/gfx/fake_device.h"

namespace gfx::fake {

std::size_t CallLog::Count(std::string_view name) const {
    return static_cast<std::size_t>(std::count_if(calls_.begin(), calls_.end(), [&](auto& call) {
        return call.size() > name.size() && call.compare(0, name.size(), name) == 0 &&
               call[name.size()] == '(';
    }));
}

bool CallLog::Contains(std::string_view call) const {
    return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
}

D3DCAPS9 StandardCaps(D3DDEVTYPE type) {
    D3DCAPS9 caps{};
    caps.DeviceType = type;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    caps.MaxTextureWidth = 8192;
    caps.MaxTextureHeight = 8192;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = 255;
    caps.FVFCaps = 8;
    return caps;
}

FakeAdapter StandardAdapter() {
    FakeAdapter adapter;
    const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}};
    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        for (auto& size : sizes) {
            for (UINT refresh : {60u, 75u}) {
                adapter.modes.push_back({size[0], size[1], refresh, format});
            }
        }
    }
    FakeDeviceType hal;
    hal.type = D3DDEVTYPE_HAL;
    hal.caps = StandardCaps(D3DDEVTYPE_HAL);
    for (bool windowed : {false, true}) {
        hal.combos.push_back({D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, windowed});
        hal.combos.push_back({D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, windowed});
    }
    hal.combos.push_back({D3DFMT_R5G6B5, D3DFMT_R5G6B5, false});
    hal.depthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32};
    hal.multiSample = {{D3DMULTISAMPLE_NONE, 1}, {D3DMULTISAMPLE_2_SAMPLES, 2}};
    adapter.devices.push_back(hal);
    return adapter;
}

namespace {

std::string Format(const char* format, auto... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

FakeRuntime::FakeRuntime(FakeScript script)
    : script_(std::move(script)),
      log_(std::make_shared<CallLog>()),
      deviceScript_(std::make_shared<FakeDeviceScript>()),
      lastDevice_(std::make_shared<FakeDevice*>(nullptr)) {}

FakeRuntime::~FakeRuntime() = default;

std::uint32_t FakeRuntime::Release() {
    const std::uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

const FakeDeviceType* FakeRuntime::Find(UINT adapter, D3DDEVTYPE type) const {
    if (adapter >= script_.adapters.size())
        return nullptr;
    for (auto& device : script_.adapters[adapter].devices) {
        if (device.type == type)
            return &device;
    }
    return nullptr;
}

UINT FakeRuntime::GetAdapterCount() {
    log_->Add("GetAdapterCount()");
    return static_cast<UINT>(script_.adapters.size());
}

HRESULT FakeRuntime::GetAdapterIdentifier(UINT adapter, DWORD flags,
                                          D3DADAPTER_IDENTIFIER9* identifier) {
    log_->Add(Format("GetAdapterIdentifier(%u, %u)", adapter, flags));
    if (adapter >= script_.adapters.size() || !identifier)
        return D3DERR_INVALIDCALL;
    *identifier = {};
    std::snprintf(identifier->Description, sizeof identifier->Description, "%s",
                  script_.adapters[adapter].description.c_str());
    std::snprintf(identifier->Driver, sizeof identifier->Driver, "fake");
    std::snprintf(identifier->DeviceName, sizeof identifier->DeviceName, "display%u", adapter);
    return S_OK;
}

UINT FakeRuntime::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    log_->Add(Format("GetAdapterModeCount(%u, %u)", adapter, format));
    if (adapter >= script_.adapters.size())
        return 0;
    auto& modes = script_.adapters[adapter].modes;
    return static_cast<UINT>(std::count_if(modes.begin(), modes.end(),
                                           [&](auto& mode) { return mode.Format == format; }));
}

HRESULT FakeRuntime::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                      D3DDISPLAYMODE* displayMode) {
    log_->Add(Format("EnumAdapterModes(%u, %u, %u)", adapter, format, mode));
    if (adapter >= script_.adapters.size() || !displayMode)
        return D3DERR_INVALIDCALL;
    UINT index = 0;
    for (auto& candidate : script_.adapters[adapter].modes) {
        if (candidate.Format != format)
            continue;
        if (index++ == mode) {
            *displayMode = candidate;
            return S_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT FakeRuntime::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    log_->Add(Format("GetAdapterDisplayMode(%u)", adapter));
    if (adapter >= script_.adapters.size() || !mode)
        return D3DERR_INVALIDCALL;
    *mode = script_.adapters[adapter].desktop;
    return S_OK;
}

HRESULT FakeRuntime::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    log_->Add(Format("GetDeviceCaps(%u, %u)", adapter, type));
    const FakeDeviceType* device = Find(adapter, type);
    if (!device || !caps)
        return D3DERR_NOTAVAILABLE;
    *caps = device->caps;
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    return S_OK;
}

HRESULT FakeRuntime::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                     D3DFORMAT backBufferFormat, BOOL windowed) {
    log_->Add(Format("CheckDeviceType(%u, %u, %u, %u, %d)", adapter, type, adapterFormat,
                     backBufferFormat, windowed));
    const FakeDeviceType* device = Find(adapter, type);
    if (!device)
        return D3DERR_NOTAVAILABLE;
    for (auto& combo : device->combos) {
        if (combo.adapterFormat == adapterFormat && combo.backBufferFormat == backBufferFormat &&
            combo.windowed == (windowed != 0)) {
            return S_OK;
        }
    }
    return D3DERR_NOTAVAILABLE;
}

HRESULT FakeRuntime::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                       DWORD usage, D3DRESOURCETYPE resourceType,
                                       D3DFORMAT checkFormat) {
    log_->Add(Format("CheckDeviceFormat(%u, %u, %u, %u, %u, %u)", adapter, type, adapterFormat,
                     usage, resourceType, checkFormat));
    const FakeDeviceType* device = Find(adapter, type);
    if (!device)
        return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL) {
        auto& formats = device->depthFormats;
        return std::find(formats.begin(), formats.end(), checkFormat) != formats.end()
                   ? S_OK
                   : D3DERR_NOTAVAILABLE;
    }
    return S_OK;
}

HRESULT FakeRuntime::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                            D3DFORMAT renderTargetFormat,
                                            D3DFORMAT depthStencilFormat) {
    log_->Add(Format("CheckDepthStencilMatch(%u, %u, %u, %u, %u)", adapter, type, adapterFormat,
                     renderTargetFormat, depthStencilFormat));
    const FakeDeviceType* device = Find(adapter, type);
    if (!device)
        return D3DERR_NOTAVAILABLE;
    auto& formats = device->depthFormats;
    return std::find(formats.begin(), formats.end(), depthStencilFormat) != formats.end()
               ? S_OK
               : D3DERR_NOTAVAILABLE;
}

HRESULT FakeRuntime::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type,
                                                D3DFORMAT surfaceFormat, BOOL windowed,
                                                D3DMULTISAMPLE_TYPE multiSampleType,
                                                DWORD* qualityLevels) {
    log_->Add(Format("CheckDeviceMultiSampleType(%u, %u, %u, %d, %u)", adapter, type, surfaceFormat,
                     windowed, multiSampleType));
    const FakeDeviceType* device = Find(adapter, type);
    if (!device)
        return D3DERR_NOTAVAILABLE;
    for (auto& conflict : device->depthConflicts) {
        if (conflict.first == surfaceFormat && conflict.second == multiSampleType) {
            return D3DERR_NOTAVAILABLE;
        }
    }
    for (auto& [sampleType, levels] : device->multiSample) {
        if (sampleType == multiSampleType) {
            if (qualityLevels)
                *qualityLevels = levels;
            return S_OK;
        }
    }
    return D3DERR_NOTAVAILABLE;
}

HRESULT FakeRuntime::CreateDevice(UINT adapter, D3DDEVTYPE type, platform::WindowHandle focusWindow,
                                  DWORD behaviourFlags, D3DPRESENT_PARAMETERS* params,
                                  Device** device) {
    log_->Add(Format("CreateDevice(%u, %u, %llu, %u)", adapter, type,
                     static_cast<unsigned long long>(focusWindow), behaviourFlags));
    if (!params || !device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (Failed(script_.createDeviceResult))
        return script_.createDeviceResult;
    const FakeDeviceType* found = Find(adapter, type);
    if (!found)
        return D3DERR_NOTAVAILABLE;
    D3DCAPS9 caps = found->caps;
    caps.DeviceType = type;
    caps.AdapterOrdinal = adapter;
    auto* created = new FakeDevice(log_, deviceScript_, lastDevice_, caps, *params,
                                   script_.adapters[adapter].desktop);
    *lastDevice_ = created;
    *device = created;
    return S_OK;
}

}  // namespace gfx::fake
