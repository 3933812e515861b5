#include "render/states/render_states.h"

#include <algorithm>
#include <cstring>

#include "render/device/format_info.h"
#include "render/device/state_cache.h"
#include "render/textures/texture.h"

namespace render {

using namespace gfx;

namespace {

bool HasAlphaTexture(const StageState& stage) {
    return stage.texture && FormatHasAlpha(stage.texture->Desc().Format);
}

bool UsesArgument(std::uint32_t op, std::uint32_t a0, std::uint32_t a1, std::uint32_t a2,
                  std::uint32_t argument) {
    const std::uint32_t used = ArgumentsUsed(op);
    return ((used & 1) && (a0 & D3DTA_SELECTMASK) == argument) ||
           ((used & 2) && (a1 & D3DTA_SELECTMASK) == argument) ||
           ((used & 4) && (a2 & D3DTA_SELECTMASK) == argument);
}

// The alpha set-up a stage gets: explicit as written, automatic from its texture and the opacity.
struct AlphaSetup {
    std::uint32_t op = D3DTOP_DISABLE;
    std::uint32_t arg0 = D3DTA_DIFFUSE;
    std::uint32_t arg1 = D3DTA_TEXTURE;
    std::uint32_t arg2 = D3DTA_DIFFUSE;
};

AlphaSetup ResolveAlpha(const RenderStates& block, std::uint32_t index, bool& factorUsed) {
    const StageState& stage = block.stages[index];
    AlphaSetup setup;
    if (stage.alphaOp != kAutomaticOp) {
        setup = {stage.alphaOp, stage.alphaArg0, stage.alphaArg1, stage.alphaArg2};
        if (UsesArgument(setup.op, setup.arg0, setup.arg1, setup.arg2, D3DTA_TFACTOR)) {
            factorUsed = true;
        }
        return setup;
    }
    const bool t = HasAlphaTexture(stage);
    const bool f = !factorUsed && block.opacity != 1.0f;
    if (!t && !f) {
        setup.op = D3DTOP_DISABLE;
    } else if (t && f) {
        setup = {D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TEXTURE, D3DTA_TFACTOR};
    } else if (index == 0) {
        setup = {D3DTOP_SELECTARG1, D3DTA_DIFFUSE, t ? D3DTA_TEXTURE : D3DTA_TFACTOR,
                 D3DTA_DIFFUSE};
    } else {
        setup = {D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_CURRENT, t ? D3DTA_TEXTURE : D3DTA_TFACTOR};
    }
    if (f) {
        factorUsed = true;
    }
    return setup;
}

bool TextureUsed(const StageState& stage, const AlphaSetup& alpha) {
    if (!stage.texture) {
        return false;
    }
    return stage.colorOp == kAutomaticOp ||
           UsesArgument(stage.colorOp, stage.colorArg0, stage.colorArg1, stage.colorArg2,
                        D3DTA_TEXTURE) ||
           UsesArgument(alpha.op, alpha.arg0, alpha.arg1, alpha.arg2, D3DTA_TEXTURE);
}

bool IsIdentity(const D3DMATRIX& m) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (m.m[row][column] != (row == column ? 1.0f : 0.0f)) {
                return false;
            }
        }
    }
    return true;
}

void SetOperation(StateCache& cache, DWORD stage, bool colour, std::uint32_t op, std::uint32_t a0,
                  std::uint32_t a1, std::uint32_t a2) {
    cache.SetTextureStageState(stage, colour ? D3DTSS_COLOROP : D3DTSS_ALPHAOP, op);
    const std::uint32_t used = ArgumentsUsed(op);
    if (used & 1) {
        cache.SetTextureStageState(stage, colour ? D3DTSS_COLORARG0 : D3DTSS_ALPHAARG0, a0);
    }
    if (used & 2) {
        cache.SetTextureStageState(stage, colour ? D3DTSS_COLORARG1 : D3DTSS_ALPHAARG1, a1);
    }
    if (used & 4) {
        cache.SetTextureStageState(stage, colour ? D3DTSS_COLORARG2 : D3DTSS_ALPHAARG2, a2);
    }
}

}  // namespace

RenderStates::RenderStates() {
    for (std::uint32_t i = 0; i < stages.size(); ++i) {
        stages[i].texCoordIndex = i;
    }
    stages[0].colorOp = kAutomaticOp;
    stages[0].alphaOp = kAutomaticOp;
    material = {};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
}

bool IsTransparent(const RenderStates& block) {
    for (const StageState& stage : block.stages) {
        if (stage.alphaOp != kAutomaticOp) {
            return stage.alphaOp != D3DTOP_DISABLE;
        }
        // An automatic stage takes the opacity as alpha when it is below 1, so the block must
        // then be blended for the opacity to show.
        if (HasAlphaTexture(stage) || block.opacity != 1.0f) {
            return true;
        }
    }
    return false;
}

void ApplyRenderStates(const RenderStates& block, std::uint32_t vertexFormat) {
    StateCache& cache = DeviceStateCache();
    // A lazy texture learns its format when it is made; transparency depends on it.
    for (const StageState& stage : block.stages) {
        if (stage.texture) {
            stage.texture->GetD3DTexture();
        }
    }
    cache.SetRenderState(D3DRS_CULLMODE, block.cullMode);
    cache.SetRenderState(D3DRS_ZFUNC, block.depthFunc);
    cache.SetRenderState(D3DRS_ZWRITEENABLE, block.depthWrite);
    cache.SetMaterial(&block.material);

    const bool transparent = IsTransparent(block);
    if (transparent) {
        cache.SetRenderState(D3DRS_ALPHAREF, 1);
        cache.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        cache.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    } else {
        cache.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    }
    if (transparent || block.blendMode != kBlendNormal) {
        cache.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        cache.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        cache.SetRenderState(D3DRS_DESTBLEND,
                             block.blendMode == kBlendNormal ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
    } else {
        cache.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    }

    // The alpha of every stage up to the first disabled one is settled first: the texture
    // factor must carry the opacity whenever a stage reads it, automatic stages included.
    std::array<AlphaSetup, 8> alpha;
    std::uint32_t active = 0;
    bool factorUsed = false;
    for (; active < block.stages.size(); ++active) {
        if (block.stages[active].colorOp == D3DTOP_DISABLE) {
            break;
        }
        alpha[active] = ResolveAlpha(block, active, factorUsed);
    }
    if (factorUsed) {
        DWORD factor = 0;
        cache.GetRenderState(D3DRS_TEXTUREFACTOR, factor);
        const float opacity = std::clamp(block.opacity, 0.0f, 1.0f);
        cache.SetRenderState(D3DRS_TEXTUREFACTOR, (factor & 0x00FFFFFF) | DWORD(opacity * 255.0f)
                                                                              << 24);
    }

    const bool lighting = block.lit && (vertexFormat & D3DFVF_NORMAL);
    cache.SetRenderState(D3DRS_LIGHTING, lighting);
    cache.SetRenderState(D3DRS_COLORVERTEX, !lighting);

    for (std::uint32_t i = 0; i < block.stages.size(); ++i) {
        const StageState& stage = block.stages[i];
        if (i == active) {
            cache.SetTextureStageState(i, D3DTSS_COLOROP, D3DTOP_DISABLE);
            cache.SetTextureStageState(i, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            break;
        }
        if (TextureUsed(stage, alpha[i])) {
            cache.SetTextureStageState(i, D3DTSS_TEXCOORDINDEX, stage.texCoordIndex);
            const D3DMATRIX matrix = stage.texture->GetTextureMatrix();
            if (IsIdentity(matrix)) {
                cache.SetTextureStageState(i, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
            } else {
                cache.SetTextureStageState(i, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
                cache.SetTransform(D3DTS_TEXTURE0 + i, &matrix);
            }
            cache.SetTexture(i, stage.texture->GetD3DTexture());
            cache.SetSamplerState(i, D3DSAMP_ADDRESSU, stage.addressU);
            cache.SetSamplerState(i, D3DSAMP_ADDRESSV, stage.addressV);
            cache.SetSamplerState(i, D3DSAMP_MINFILTER, stage.minFilter);
            cache.SetSamplerState(i, D3DSAMP_MAGFILTER, stage.magFilter);
            cache.SetSamplerState(i, D3DSAMP_MIPFILTER, stage.mipFilter);
        } else {
            cache.SetTexture(i, nullptr);
        }

        if (stage.colorOp == kAutomaticOp) {
            const bool textured = stage.texture != nullptr;
            if (i == 0) {
                const bool modulate = textured && (lighting || (vertexFormat & D3DFVF_DIFFUSE));
                SetOperation(cache, i, true, modulate ? D3DTOP_MODULATE : D3DTOP_SELECTARG1, 0,
                             textured ? D3DTA_TEXTURE : D3DTA_DIFFUSE, D3DTA_DIFFUSE);
            } else {
                SetOperation(cache, i, true, D3DTOP_MODULATE2X, 0, D3DTA_CURRENT,
                             textured ? D3DTA_TEXTURE : D3DTA_DIFFUSE);
            }
        } else {
            SetOperation(cache, i, true, stage.colorOp, stage.colorArg0, stage.colorArg1,
                         stage.colorArg2);
        }
        SetOperation(cache, i, false, alpha[i].op, alpha[i].arg0, alpha[i].arg1, alpha[i].arg2);
    }
}

}  // namespace render
