// DeviceEnumeration: what every adapter of the runtime can do, and the choice of settings from it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gfx/runtime.h"
#include "render/device/device_settings.h"

namespace render {

struct DeviceCombo {
    std::uint32_t adapter = 0;
    gfx::D3DDEVTYPE deviceType = gfx::D3DDEVTYPE_HAL;
    gfx::D3DFORMAT adapterFormat = gfx::D3DFMT_UNKNOWN;
    gfx::D3DFORMAT backBufferFormat = gfx::D3DFMT_UNKNOWN;
    bool windowed = false;
    std::vector<gfx::D3DFORMAT> depthStencilFormats;
    std::vector<std::pair<gfx::D3DMULTISAMPLE_TYPE, std::uint32_t>> multiSampleTypes;
    std::vector<std::pair<gfx::D3DFORMAT, gfx::D3DMULTISAMPLE_TYPE>> conflicts;
    std::vector<std::uint32_t> vertexProcessingTypes;
    std::vector<std::uint32_t> presentIntervals;
};

struct DeviceInfo {
    std::uint32_t adapter = 0;
    gfx::D3DDEVTYPE deviceType = gfx::D3DDEVTYPE_HAL;
    gfx::D3DCAPS9 caps{};
    std::vector<DeviceCombo> combos;
};

struct AdapterInfo {
    std::uint32_t adapter = 0;
    gfx::D3DADAPTER_IDENTIFIER9 identifier{};
    std::vector<gfx::D3DDISPLAYMODE> displayModes;  // by width, height, format, refresh rate
    std::vector<DeviceInfo> devices;
};

class DeviceEnumeration {
public:
    DeviceEnumeration() = default;
    ~DeviceEnumeration();
    DeviceEnumeration(const DeviceEnumeration&) = delete;
    DeviceEnumeration& operator=(const DeviceEnumeration&) = delete;

    // Takes a reference of its own to the runtime (null drops it).
    void SetRuntime(gfx::Runtime* runtime);
    gfx::Runtime* Runtime() const { return runtime_; }

    // Fills the adapter list; false without a runtime.
    bool Enumerate();

    // Completes `settings` for settings.windowed from the adapter list, keeping the requests its
    // flags name; false when nothing fits.
    bool FindBestMode(DeviceSettings& settings) const;

    const std::vector<AdapterInfo>& Adapters() const { return adapters_; }

private:
    void EnumerateDevices(AdapterInfo& adapter, const std::vector<gfx::D3DFORMAT>& formats);
    void EnumerateCombos(DeviceInfo& device, const std::vector<gfx::D3DFORMAT>& formats);
    // Fills the combo's lists; false when one of them stays empty and the combo is unusable.
    bool BuildCombo(DeviceCombo& combo, const gfx::D3DCAPS9& caps);

    gfx::Runtime* runtime_ = nullptr;
    std::vector<AdapterInfo> adapters_;
};

}  // namespace render
