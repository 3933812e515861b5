// A windowed device of a given size on the first adapter: what tools, benchmarks and tests that
// render without a saver window ask the runtime for.
#pragma once

#include "platform/gfx/runtime.h"

namespace gfx {

inline Device* CreateOffscreenDevice(Runtime& runtime, UINT width, UINT height,
                                     D3DFORMAT backBufferFormat = D3DFMT_X8R8G8B8,
                                     D3DFORMAT depthFormat = D3DFMT_D24X8,
                                     D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = backBufferFormat;
    params.BackBufferCount = 1;
    params.MultiSampleType = samples;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = depthFormat;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    Device* device = nullptr;
    if (Failed(runtime.CreateDevice(0, D3DDEVTYPE_HAL, 0, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &params, &device))) {
        return nullptr;
    }
    return device;
}

}  // namespace gfx
