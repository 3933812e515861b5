#include "render/device/device_enumeration.h"

#include <algorithm>
#include <tuple>

#include "render/device/format_info.h"

namespace render {
namespace {

using namespace gfx;

constexpr D3DFORMAT kAdapterFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5,
                                         D3DFMT_A2R10G10B10};
constexpr D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};
constexpr D3DFORMAT kBackBufferFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                            D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
constexpr D3DFORMAT kDepthFormats[] = {D3DFMT_D16,   D3DFMT_D15S1,   D3DFMT_D24X8,
                                       D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
constexpr std::uint32_t kPresentIntervals[] = {
    D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE,
    D3DPRESENT_INTERVAL_TWO,       D3DPRESENT_INTERVAL_THREE,   D3DPRESENT_INTERVAL_FOUR};

bool Contains(const std::vector<std::uint32_t>& list, std::uint32_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

const char* VertexProcessingTypeName(std::uint32_t type) {
    switch (type) {
        case SOFTWARE_VP:
            return "SOFTWARE_VP";
        case MIXED_VP:
            return "MIXED_VP";
        case HARDWARE_VP:
            return "HARDWARE_VP";
        case PURE_HARDWARE_VP:
            return "PURE_HARDWARE_VP";
        default:
            return "Unknown VertexProcessingType";
    }
}

DeviceEnumeration::~DeviceEnumeration() {
    SetRuntime(nullptr);
}

void DeviceEnumeration::SetRuntime(gfx::Runtime* runtime) {
    if (runtime) {
        runtime->AddRef();
    }
    if (runtime_) {
        runtime_->Release();
    }
    runtime_ = runtime;
}

bool DeviceEnumeration::Enumerate() {
    adapters_.clear();
    if (!runtime_) {
        return false;
    }
    const UINT count = runtime_->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < count; ++ordinal) {
        AdapterInfo adapter;
        adapter.adapter = ordinal;
        runtime_->GetAdapterIdentifier(ordinal, 0, &adapter.identifier);
        std::vector<D3DFORMAT> formats;
        for (D3DFORMAT format : kAdapterFormats) {
            const UINT modes = runtime_->GetAdapterModeCount(ordinal, format);
            for (UINT index = 0; index < modes; ++index) {
                D3DDISPLAYMODE mode{};
                if (Failed(runtime_->EnumAdapterModes(ordinal, format, index, &mode))) {
                    continue;
                }
                adapter.displayModes.push_back(mode);
                if (!Contains(formats, mode.Format)) {
                    formats.push_back(mode.Format);
                }
            }
        }
        std::sort(adapter.displayModes.begin(), adapter.displayModes.end(),
                  [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
                      return std::tie(a.Width, a.Height, a.Format, a.RefreshRate) <
                             std::tie(b.Width, b.Height, b.Format, b.RefreshRate);
                  });
        EnumerateDevices(adapter, formats);
        if (!adapter.devices.empty()) {
            adapters_.push_back(std::move(adapter));
        }
    }
    return true;
}

void DeviceEnumeration::EnumerateDevices(AdapterInfo& adapter,
                                         const std::vector<D3DFORMAT>& formats) {
    for (D3DDEVTYPE type : kDeviceTypes) {
        DeviceInfo device;
        device.adapter = adapter.adapter;
        device.deviceType = type;
        if (Failed(runtime_->GetDeviceCaps(adapter.adapter, type, &device.caps))) {
            continue;
        }
        EnumerateCombos(device, formats);
        if (!device.combos.empty()) {
            adapter.devices.push_back(std::move(device));
        }
    }
}

void DeviceEnumeration::EnumerateCombos(DeviceInfo& device, const std::vector<D3DFORMAT>& formats) {
    for (D3DFORMAT adapterFormat : formats) {
        for (D3DFORMAT backBuffer : kBackBufferFormats) {
            for (bool windowed : {false, true}) {
                if (Failed(runtime_->CheckDeviceType(device.adapter, device.deviceType,
                                                     adapterFormat, backBuffer, windowed))) {
                    continue;
                }
                DeviceCombo combo;
                combo.adapter = device.adapter;
                combo.deviceType = device.deviceType;
                combo.adapterFormat = adapterFormat;
                combo.backBufferFormat = backBuffer;
                combo.windowed = windowed;
                if (BuildCombo(combo, device.caps)) {
                    device.combos.push_back(std::move(combo));
                }
            }
        }
    }
}

bool DeviceEnumeration::BuildCombo(DeviceCombo& combo, const D3DCAPS9& caps) {
    for (D3DFORMAT depth : kDepthFormats) {
        if (Succeeded(runtime_->CheckDeviceFormat(combo.adapter, combo.deviceType,
                                                  combo.adapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_SURFACE, depth)) &&
            Succeeded(runtime_->CheckDepthStencilMatch(combo.adapter, combo.deviceType,
                                                       combo.adapterFormat, combo.backBufferFormat,
                                                       depth))) {
            combo.depthStencilFormats.push_back(depth);
        }
    }
    if (combo.depthStencilFormats.empty()) {
        return false;
    }

    for (D3DMULTISAMPLE_TYPE type = D3DMULTISAMPLE_NONE; type <= D3DMULTISAMPLE_16_SAMPLES;
         ++type) {
        DWORD levels = 0;
        if (Succeeded(runtime_->CheckDeviceMultiSampleType(combo.adapter, combo.deviceType,
                                                           combo.backBufferFormat, combo.windowed,
                                                           type, &levels))) {
            combo.multiSampleTypes.emplace_back(type, levels);
        }
    }
    if (combo.multiSampleTypes.empty()) {
        return false;
    }

    for (D3DFORMAT depth : combo.depthStencilFormats) {
        for (const auto& [type, levels] : combo.multiSampleTypes) {
            if (Failed(runtime_->CheckDeviceMultiSampleType(combo.adapter, combo.deviceType, depth,
                                                            combo.windowed, type, nullptr))) {
                combo.conflicts.emplace_back(depth, type);
            }
        }
    }

    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) {
            combo.vertexProcessingTypes.push_back(PURE_HARDWARE_VP);
        }
        combo.vertexProcessingTypes.push_back(HARDWARE_VP);
        combo.vertexProcessingTypes.push_back(MIXED_VP);
    }
    combo.vertexProcessingTypes.push_back(SOFTWARE_VP);

    for (std::uint32_t interval : kPresentIntervals) {
        const bool multiFrame = interval == D3DPRESENT_INTERVAL_TWO ||
                                interval == D3DPRESENT_INTERVAL_THREE ||
                                interval == D3DPRESENT_INTERVAL_FOUR;
        if (combo.windowed && multiFrame) {
            continue;
        }
        if (interval == D3DPRESENT_INTERVAL_DEFAULT || (caps.PresentationIntervals & interval)) {
            combo.presentIntervals.push_back(interval);
        }
    }
    return true;
}

bool DeviceEnumeration::FindBestMode(DeviceSettings& settings) const {
    if (!runtime_) {
        return false;
    }
    D3DDISPLAYMODE desktop{};
    runtime_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);
    const std::uint32_t flags = settings.flags;
    const bool strict = flags & kStrict;

    const AdapterInfo* bestAdapter = nullptr;
    const DeviceInfo* bestDevice = nullptr;
    const DeviceCombo* best = nullptr;
    for (const AdapterInfo& adapter : adapters_) {
        if ((flags & kMatchAdapter) && adapter.adapter != settings.adapter) {
            continue;
        }
        for (const DeviceInfo& device : adapter.devices) {
            if (device.deviceType != D3DDEVTYPE_HAL) {
                continue;
            }
            for (const DeviceCombo& combo : device.combos) {
                if (combo.windowed != settings.windowed) {
                    continue;
                }
                bool exact = false;
                if (flags & kMatchBackBufferDepth) {
                    if (FormatBitDepth(combo.backBufferFormat) !=
                        FormatBitDepth(settings.backBufferFormat)) {
                        continue;
                    }
                    exact = combo.backBufferFormat == settings.backBufferFormat;
                }
                const bool adapterMatchesBackBuffer = combo.adapterFormat == combo.backBufferFormat;
                bool matchesDesktop = false;
                if (combo.adapterFormat == desktop.Format) {
                    if (!(flags & kMatchBackBufferDepth) && adapterMatchesBackBuffer) {
                        exact = true;
                    }
                    matchesDesktop = true;
                }
                if (combo.windowed && !matchesDesktop) {
                    continue;
                }
                if (!best || adapterMatchesBackBuffer || exact) {
                    best = &combo;
                    bestDevice = &device;
                    bestAdapter = &adapter;
                }
                if (exact) {
                    break;
                }
            }
        }
    }
    if (!best) {
        return false;
    }
    settings.adapter = best->adapter;
    settings.deviceType = best->deviceType;
    settings.caps = bestDevice->caps;
    settings.backBufferFormat = best->backBufferFormat;

    if (settings.windowed) {
        settings.width = desktop.Width;
        settings.height = desktop.Height;
        settings.refreshRate = desktop.RefreshRate;
        settings.displayFormat = desktop.Format;
    } else {
        const D3DDISPLAYMODE* pick = nullptr;
        for (const D3DDISPLAYMODE& mode : bestAdapter->displayModes) {
            if (mode.Format != best->adapterFormat) {
                continue;
            }
            if (flags & kMatchSize) {
                if (mode.Width != settings.width || mode.Height != settings.height) {
                    continue;
                }
            } else if (mode.Width != desktop.Width || mode.Height != desktop.Height ||
                       mode.RefreshRate != desktop.RefreshRate) {
                continue;
            }
            if ((flags & kMatchRefreshRate) && mode.RefreshRate != settings.refreshRate) {
                continue;
            }
            if (!pick || mode.RefreshRate >= pick->RefreshRate) {
                pick = &mode;
            }
        }
        if (!pick) {
            return false;
        }
        settings.width = pick->Width;
        settings.height = pick->Height;
        settings.refreshRate = pick->RefreshRate;
        settings.displayFormat = pick->Format;
    }

    const auto& depths = best->depthStencilFormats;
    bool depthChosen = false;
    if (flags & kMatchDepthStencil) {
        depthChosen = Contains(depths, settings.depthStencilFormat);
        if (!depthChosen && strict) {
            return false;
        }
    }
    if (!depthChosen) {
        const std::uint32_t bits = FormatBitDepth(settings.backBufferFormat);
        const D3DFORMAT preferred = bits == 16 ? D3DFMT_D16 : bits == 32 ? D3DFMT_D32 : 0;
        if (preferred && Contains(depths, preferred)) {
            settings.depthStencilFormat = preferred;
        } else {
            const auto it = std::find_if(depths.begin(), depths.end(),
                                         [&](D3DFORMAT f) { return FormatBitDepth(f) == bits; });
            if (it == depths.end()) {
                return false;
            }
            settings.depthStencilFormat = *it;
        }
    }

    const auto& samples = best->multiSampleTypes;
    const auto offered = std::find_if(samples.begin(), samples.end(), [&](const auto& entry) {
        return entry.first == settings.multiSampleType;
    });
    if ((flags & kMatchMultiSample) && offered != samples.end()) {
        const std::uint32_t levels = offered->second;
        if (strict) {
            if (settings.multiSampleQuality >= levels) {
                return false;
            }
        } else {
            settings.multiSampleQuality =
                std::min(settings.multiSampleQuality, levels == 0 ? 0 : levels - 1);
        }
    } else {
        if ((flags & kMatchMultiSample) && strict) {
            return false;
        }
        settings.multiSampleType = D3DMULTISAMPLE_NONE;
        settings.multiSampleQuality = 0;
    }

    const auto& processing = best->vertexProcessingTypes;
    bool processingChosen = false;
    if (flags & kMatchVertexProcessing) {
        processingChosen = Contains(processing, settings.vertexProcessing);
        if (!processingChosen && strict) {
            return false;
        }
    }
    if (!processingChosen) {
        bool found = false;
        for (std::uint32_t type : {HARDWARE_VP, MIXED_VP, SOFTWARE_VP}) {
            if (Contains(processing, type)) {
                settings.vertexProcessing = type;
                found = true;
                break;
            }
        }
        if (!found) {
            return false;
        }
    }

    bool intervalChosen = false;
    if (flags & kMatchPresentInterval) {
        intervalChosen = Contains(best->presentIntervals, settings.presentInterval);
        if (!intervalChosen && strict) {
            return false;
        }
    }
    if (!intervalChosen) {
        settings.presentInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    }
    return true;
}

}  // namespace render
