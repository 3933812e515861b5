// One texture stage of a render-state block: operations, arguments, texture, coordinates and
// sampling.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d_types.h"

namespace render {

class Texture;

// A stage operation that is chosen when the block is applied, from the texture and lighting.
inline constexpr std::uint32_t kAutomaticOp = 100;

struct StageState {
    std::uint32_t colorOp = gfx::D3DTOP_DISABLE;
    std::uint32_t alphaOp = gfx::D3DTOP_DISABLE;
    std::uint32_t colorArg0 = gfx::D3DTA_DIFFUSE;
    std::uint32_t colorArg1 = gfx::D3DTA_TEXTURE;
    std::uint32_t colorArg2 = gfx::D3DTA_DIFFUSE;
    std::uint32_t alphaArg0 = gfx::D3DTA_DIFFUSE;
    std::uint32_t alphaArg1 = gfx::D3DTA_TEXTURE;
    std::uint32_t alphaArg2 = gfx::D3DTA_DIFFUSE;
    Texture* texture = nullptr;  // shared; the block holds a reference while it is set
    std::uint32_t texCoordIndex = 0;
    std::uint32_t addressU = gfx::D3DTADDRESS_WRAP;
    std::uint32_t addressV = gfx::D3DTADDRESS_WRAP;
    std::uint32_t minFilter = gfx::D3DTEXF_LINEAR;
    std::uint32_t magFilter = gfx::D3DTEXF_LINEAR;
    std::uint32_t mipFilter = gfx::D3DTEXF_LINEAR;
};

// Which of arguments 0, 1 and 2 an operation reads (bits 0, 1, 2).
std::uint32_t ArgumentsUsed(std::uint32_t op);

// Two stages draw alike: same texture source (a sub-texture counts as its parent), coordinates,
// addressing, filters, operations and the arguments those operations read.
bool StagesEqual(const StageState& a, const StageState& b);

}  // namespace render
