// DeviceSettings: one complete choice of adapter, device, formats, display mode, multisampling,
// vertex processing and present interval, plus the flags that say which requests must be kept.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d_types.h"

namespace render {

enum VertexProcessingType : std::uint32_t {
    SOFTWARE_VP = 0,
    MIXED_VP = 1,
    HARDWARE_VP = 2,
    PURE_HARDWARE_VP = 3,
};

const char* VertexProcessingTypeName(std::uint32_t type);

// Selection flags: which requested values FindBestMode must honour.
inline constexpr std::uint32_t kMatchSize = 0x001;
inline constexpr std::uint32_t kMatchBackBufferDepth = 0x002;
inline constexpr std::uint32_t kMatchDepthStencil = 0x004;
inline constexpr std::uint32_t kMatchMultiSample = 0x008;
inline constexpr std::uint32_t kMatchVertexProcessing = 0x010;
inline constexpr std::uint32_t kMatchPresentInterval = 0x020;
inline constexpr std::uint32_t kMatchAdapter = 0x100;
inline constexpr std::uint32_t kMatchRefreshRate = 0x400;
inline constexpr std::uint32_t kStrict = 0x800;

struct DeviceSettings {
    std::uint32_t flags = 0;
    bool windowed = false;
    std::uint32_t adapter = 0;
    gfx::D3DDEVTYPE deviceType = gfx::D3DDEVTYPE_HAL;
    gfx::D3DCAPS9 caps{};
    gfx::D3DFORMAT backBufferFormat = gfx::D3DFMT_UNKNOWN;
    gfx::D3DFORMAT depthStencilFormat = gfx::D3DFMT_UNKNOWN;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t refreshRate = 0;
    gfx::D3DFORMAT displayFormat = gfx::D3DFMT_UNKNOWN;
    gfx::D3DMULTISAMPLE_TYPE multiSampleType = gfx::D3DMULTISAMPLE_NONE;
    std::uint32_t multiSampleQuality = 0;
    std::uint32_t vertexProcessing = SOFTWARE_VP;
    std::uint32_t presentInterval = gfx::D3DPRESENT_INTERVAL_IMMEDIATE;
};

}  // namespace render
