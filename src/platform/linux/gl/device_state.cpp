#include "platform/linux/gl/device_state.h"

#include <cstring>

#include "platform/gfx/default_states.h"

namespace gfx::gl {

D3DMATRIX IdentityMatrix() {
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX result{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[row][k] * b.m[k][column];
            result.m[row][column] = sum;
        }
    }
    return result;
}

float FloatFromBits(DWORD bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

DWORD BitsFromFloat(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void DeviceState::SetDefaults(bool depthBuffer, UINT width, UINT height) {
    *this = DeviceState{};
    for (DWORD state = 0; state < kRenderStateCount; ++state)
        renderStates[state] = DefaultRenderState(state, depthBuffer);
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        for (DWORD type = 0; type < kStageStateCount; ++type)
            stageStates[stage][type] = DefaultStageState(stage, type);
        for (DWORD type = 0; type < kSamplerStateCount; ++type)
            samplerStates[stage][type] = DefaultSamplerState(type);
        textureMatrices[stage] = IdentityMatrix();
    }
    world = view = projection = IdentityMatrix();
    viewport = {0, 0, width, height, 0.0f, 1.0f};
}

}  // namespace gfx::gl
