// The state a D3D-style device carries between draws, as plain values with D3D's defaults.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/gfx/d3d_types.h"

namespace gfx::gl {

struct DeviceState {
    std::array<DWORD, kRenderStateCount> renderStates{};
    std::array<std::array<DWORD, kStageStateCount>, kMaxTextureStages> stageStates{};
    std::array<std::array<DWORD, kSamplerStateCount>, kMaxTextureStages> samplerStates{};
    D3DMATRIX world{}, view{}, projection{};
    std::array<D3DMATRIX, kMaxTextureStages> textureMatrices{};
    D3DMATERIAL9 material{};
    // Every light set or enabled, by its index (any index, as D3D allows).
    std::map<DWORD, D3DLIGHT9> lights;
    // The enabled ones in index order, at most kMaxActiveLights.
    std::vector<DWORD> enabledLights;
    D3DVIEWPORT9 viewport{};
    // Which stages have a texture bound.
    std::array<bool, kMaxTextureStages> textureBound{};
    DWORD fvf = 0;

    // D3D's defaults after creation and reset; depth test on when there is a depth buffer.
    void SetDefaults(bool depthBuffer, UINT width, UINT height);
};

D3DMATRIX IdentityMatrix();
// Row-vector product: a point goes through a, then b.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);
float FloatFromBits(DWORD bits);
DWORD BitsFromFloat(float value);

}  // namespace gfx::gl
