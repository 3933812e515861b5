#include "platform/linux/gl/fixed_function_key.h"

#include <cstring>
#include <type_traits>

namespace gfx::gl {

static_assert(std::is_trivially_copyable_v<FixedFunctionKey>);
static_assert(sizeof(FixedFunctionKey) % 4 == 0, "keys are compared as bytes");

bool OpReadsArg(DWORD op, int arg) {
    switch (op) {
        case 0:
        case D3DTOP_DISABLE:
            return false;
        case D3DTOP_SELECTARG1:
            return arg == 1;
        case D3DTOP_SELECTARG2:
            return arg == 2;
        case D3DTOP_MULTIPLYADD:
        case D3DTOP_LERP:
            return true;
        default:
            return arg != 0;
    }
}

namespace {

bool ReadsTexture(const StageKey& stage) {
    for (int i = 0; i < 3; ++i) {
        if (stage.colorArg[i] != kArgUnused &&
            (stage.colorArg[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE)
            return true;
        if (stage.alphaArg[i] != kArgUnused &&
            (stage.alphaArg[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE)
            return true;
    }
    return stage.colorOp == D3DTOP_BLENDTEXTUREALPHA || stage.alphaOp == D3DTOP_BLENDTEXTUREALPHA ||
           stage.colorOp == D3DTOP_BLENDTEXTUREALPHAPM ||
           stage.alphaOp == D3DTOP_BLENDTEXTUREALPHAPM;
}

std::uint8_t MaterialSource(const DeviceState& state, D3DRENDERSTATETYPE which, bool hasDiffuse,
                            bool hasSpecular) {
    if (!state.renderStates[D3DRS_COLORVERTEX])
        return 0;
    const DWORD source = state.renderStates[which];
    if (source == D3DMCS_COLOR1 && hasDiffuse)
        return 1;
    if (source == D3DMCS_COLOR2 && hasSpecular)
        return 2;
    return 0;
}

}  // namespace

void Normalise(FixedFunctionKey& key) {
    bool disabled = false;
    for (auto& stage : key.stages) {
        if (disabled || stage.colorOp == D3DTOP_DISABLE || stage.colorOp == 0) {
            disabled = true;
            stage = StageKey{};
            continue;
        }
        // An alpha operation can't be switched off while colour runs: it passes the alpha on.
        if (stage.alphaOp == D3DTOP_DISABLE || stage.alphaOp == 0) {
            stage.alphaOp = D3DTOP_SELECTARG1;
            stage.alphaArg[1] = D3DTA_CURRENT;
        }
        // The dot product writes its result to alpha as well.
        if (stage.colorOp == D3DTOP_DOTPRODUCT3)
            stage.alphaOp = 0;
        for (int i = 0; i < 3; ++i) {
            if (!OpReadsArg(stage.colorOp, i))
                stage.colorArg[i] = kArgUnused;
            if (!OpReadsArg(stage.alphaOp, i))
                stage.alphaArg[i] = kArgUnused;
        }
        if (!stage.texture || !ReadsTexture(stage)) {
            stage.texture = 0;
            stage.texCoordSet = 0;
            stage.texGen = 0;
            stage.transform = 0;
        }
        if (stage.texGen)
            stage.texCoordSet = 0;
    }
    std::uint8_t sizes[8] = {};
    bool sphereMap = false;
    for (auto& stage : key.stages) {
        if (!stage.texture)
            continue;
        if (stage.texGen) {
            sphereMap = true;
        } else if (stage.texCoordSet < 8) {
            sizes[stage.texCoordSet] = key.texCoordSize[stage.texCoordSet];
        }
    }
    std::memcpy(key.texCoordSize, sizes, sizeof sizes);
    if (key.pretransformed) {
        key.lighting = 0;
        key.fogMode = 0;
        key.hasNormal = 0;
    }
    if (!key.lighting) {
        key.normalizeNormals = 0;
        key.diffuseSource = key.ambientSource = key.specularSource = key.emissiveSource = 0;
        if (!key.hasSpecular)
            key.specular = 0;
        if (!sphereMap)
            key.hasNormal = 0;
    } else {
        // Lit vertices read their colours only where they stand in for the material.
        const std::uint8_t sources[] = {key.diffuseSource, key.ambientSource, key.specularSource,
                                        key.emissiveSource};
        bool readsDiffuse = false, readsSpecular = false;
        for (std::uint8_t source : sources) {
            readsDiffuse |= source == 1;
            readsSpecular |= source == 2;
        }
        if (!readsDiffuse)
            key.hasDiffuse = 0;
        if (!readsSpecular)
            key.hasSpecular = 0;
    }
    if (!key.fogMode)
        key.rangeFog = 0;
    if (key.alphaFunc == D3DCMP_ALWAYS)
        key.alphaFunc = 0;
    key.padding[0] = key.padding[1] = 0;
}

bool EntersKey(D3DRENDERSTATETYPE state) {
    switch (state) {
        case D3DRS_LIGHTING:
        case D3DRS_NORMALIZENORMALS:
        case D3DRS_SPECULARENABLE:
        case D3DRS_COLORVERTEX:
        case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE:
        case D3DRS_FOGENABLE:
        case D3DRS_FOGTABLEMODE:
        case D3DRS_FOGVERTEXMODE:
        case D3DRS_RANGEFOGENABLE:
        case D3DRS_ALPHATESTENABLE:
        case D3DRS_ALPHAFUNC:
            return true;
        default:
            return false;
    }
}

FixedFunctionKey BuildKey(const DeviceState& state, DWORD fvf) {
    FixedFunctionKey key;
    std::memset(&key, 0, sizeof key);
    const auto& rs = state.renderStates;
    for (DWORD i = 0; i < kMaxTextureStages; ++i) {
        const auto& ts = state.stageStates[i];
        StageKey& stage = key.stages[i];
        stage.colorOp = static_cast<std::uint8_t>(ts[D3DTSS_COLOROP]);
        stage.alphaOp = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAOP]);
        stage.colorArg[0] = static_cast<std::uint8_t>(ts[D3DTSS_COLORARG0]);
        stage.colorArg[1] = static_cast<std::uint8_t>(ts[D3DTSS_COLORARG1]);
        stage.colorArg[2] = static_cast<std::uint8_t>(ts[D3DTSS_COLORARG2]);
        stage.alphaArg[0] = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG0]);
        stage.alphaArg[1] = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG1]);
        stage.alphaArg[2] = static_cast<std::uint8_t>(ts[D3DTSS_ALPHAARG2]);
        stage.texture = state.textureBound[i] ? 1 : 0;
        const DWORD index = ts[D3DTSS_TEXCOORDINDEX];
        stage.texCoordSet = static_cast<std::uint8_t>(index & 7);
        stage.texGen = (index & 0xFFFF0000) == D3DTSS_TCI_SPHEREMAP ? 1 : 0;
        const DWORD count = ts[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF;
        stage.transform = static_cast<std::uint8_t>(count <= 4 ? count : 0);
    }
    key.pretransformed = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW ? 1 : 0;
    key.lighting = rs[D3DRS_LIGHTING] ? 1 : 0;
    key.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] ? 1 : 0;
    key.hasNormal = (fvf & D3DFVF_NORMAL) ? 1 : 0;
    key.hasDiffuse = (fvf & D3DFVF_DIFFUSE) ? 1 : 0;
    key.hasSpecular = (fvf & D3DFVF_SPECULAR) ? 1 : 0;
    key.specular = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
    if (key.lighting) {
        key.diffuseSource =
            MaterialSource(state, D3DRS_DIFFUSEMATERIALSOURCE, key.hasDiffuse, key.hasSpecular);
        key.ambientSource =
            MaterialSource(state, D3DRS_AMBIENTMATERIALSOURCE, key.hasDiffuse, key.hasSpecular);
        key.specularSource =
            MaterialSource(state, D3DRS_SPECULARMATERIALSOURCE, key.hasDiffuse, key.hasSpecular);
        key.emissiveSource =
            MaterialSource(state, D3DRS_EMISSIVEMATERIALSOURCE, key.hasDiffuse, key.hasSpecular);
    }
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD i = 0; i < sets && i < 8; ++i) {
        static constexpr std::uint8_t kSizes[4] = {2, 3, 4, 1};
        key.texCoordSize[i] = kSizes[(fvf >> (i * 2 + 16)) & 3];
    }
    if (rs[D3DRS_FOGENABLE]) {
        const DWORD mode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE]
                                                                 : rs[D3DRS_FOGVERTEXMODE];
        key.fogMode = static_cast<std::uint8_t>(mode <= D3DFOG_LINEAR ? mode : 0);
        key.rangeFog = rs[D3DRS_RANGEFOGENABLE] ? 1 : 0;
    }
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] >= D3DCMP_NEVER &&
        rs[D3DRS_ALPHAFUNC] <= D3DCMP_ALWAYS) {
        key.alphaFunc = static_cast<std::uint8_t>(rs[D3DRS_ALPHAFUNC]);
    }
    Normalise(key);
    return key;
}

bool operator==(const FixedFunctionKey& a, const FixedFunctionKey& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::size_t FixedFunctionKeyHash::operator()(const FixedFunctionKey& key) const {
    // FNV-1a over the bytes; every byte is defined because keys start zeroed.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&key);
    std::uint64_t hash = 1469598103934665603ull;
    for (std::size_t i = 0; i < sizeof key; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return static_cast<std::size_t>(hash);
}

}  // namespace gfx::gl
