// RenderStates: everything a mesh needs set on the device to be drawn: eight texture stages,
// blending, depth, culling, lighting and the fixed-function material.
#pragma once

#include <array>
#include <cstdint>

#include "platform/gfx/d3d_types.h"
#include "render/states/stage_state.h"

namespace render {

inline constexpr std::uint32_t kBlendNormal = 0;
inline constexpr std::uint32_t kBlendAdditive = 1;

struct RenderStates {
    RenderStates();

    // Stage textures are not owned: the material library (or whoever set them) holds them.
    std::array<StageState, 8> stages;
    std::uint32_t blendMode = kBlendNormal;
    std::uint32_t depthFunc = gfx::D3DCMP_LESSEQUAL;
    std::uint32_t depthWrite = 1;
    std::uint32_t cullMode = gfx::D3DCULL_CCW;
    float opacity = 1.0f;
    std::uint32_t lit = 1;
    gfx::D3DMATERIAL9 material;
};

// Whether drawing the block needs alpha testing and blending.
bool IsTransparent(const RenderStates& block);

// Sets the device up, through the state cache, to draw vertices of `vertexFormat` with the block.
void ApplyRenderStates(const RenderStates& block, std::uint32_t vertexFormat);

}  // namespace render
