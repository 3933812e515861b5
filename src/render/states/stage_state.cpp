#include "render/states/stage_state.h"

#include "render/textures/texture.h"

namespace render {

using namespace gfx;

std::uint32_t ArgumentsUsed(std::uint32_t op) {
    switch (op) {
        case D3DTOP_DISABLE:
        case kAutomaticOp:
            return 0;
        case D3DTOP_SELECTARG1:
            return 0b010;
        case D3DTOP_SELECTARG2:
            return 0b100;
        case D3DTOP_MULTIPLYADD:
        case D3DTOP_LERP:
            return 0b111;
        default:
            return 0b110;
    }
}

namespace {

bool ArgumentsEqual(std::uint32_t used, std::uint32_t a0, std::uint32_t a1, std::uint32_t a2,
                    std::uint32_t b0, std::uint32_t b1, std::uint32_t b2) {
    return (!(used & 1) || a0 == b0) && (!(used & 2) || a1 == b1) && (!(used & 4) || a2 == b2);
}

}  // namespace

bool StagesEqual(const StageState& a, const StageState& b) {
    const Texture* sourceA = a.texture ? a.texture->Source() : nullptr;
    const Texture* sourceB = b.texture ? b.texture->Source() : nullptr;
    return sourceA == sourceB && a.texCoordIndex == b.texCoordIndex && a.addressU == b.addressU &&
           a.addressV == b.addressV && a.minFilter == b.minFilter && a.magFilter == b.magFilter &&
           a.mipFilter == b.mipFilter && a.colorOp == b.colorOp && a.alphaOp == b.alphaOp &&
           ArgumentsEqual(ArgumentsUsed(a.colorOp), a.colorArg0, a.colorArg1, a.colorArg2,
                          b.colorArg0, b.colorArg1, b.colorArg2) &&
           ArgumentsEqual(ArgumentsUsed(a.alphaOp), a.alphaArg0, a.alphaArg1, a.alphaArg2,
                          b.alphaArg0, b.alphaArg1, b.alphaArg2);
}

}  // namespace render
