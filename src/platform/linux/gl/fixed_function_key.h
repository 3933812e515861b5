// The fixed-function state that decides which shader program draws: a plain zeroed record,
// normalised so that states which draw alike compare equal, and hashed for the program cache.
// Values (colours, matrices, lights and how many are on, fog range, alpha reference) are not part
// of it: one program lights with any set of enabled lights.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gfx/d3d_types.h"
#include "platform/linux/gl/device_state.h"

namespace gfx::gl {

inline constexpr std::uint8_t kArgUnused = 0xFF;
inline constexpr std::uint8_t kNoTexture = 0;

struct StageKey {
    std::uint8_t colorOp;      // D3DTOP_*; 0 after the first disabled stage
    std::uint8_t alphaOp;      // D3DTOP_*; 0 when the colour operation writes alpha too
    std::uint8_t colorArg[3];  // D3DTA_* with modifiers; kArgUnused when the op doesn't read it
    std::uint8_t alphaArg[3];
    std::uint8_t texture;      // 1 when a texture is bound and read
    std::uint8_t texCoordSet;  // coordinate set the texture reads (when not generated)
    std::uint8_t texGen;       // 0 none, 1 sphere map
    std::uint8_t transform;    // D3DTTFF count (0 none)
};

struct FixedFunctionKey {
    StageKey stages[kMaxTextureStages];
    std::uint8_t pretransformed;  // XYZRHW vertices
    std::uint8_t lighting;
    std::uint8_t normalizeNormals;
    std::uint8_t specular;  // add the specular colour
    std::uint8_t hasNormal;
    std::uint8_t hasDiffuse;
    std::uint8_t hasSpecular;
    // Where the material colours come from: 0 material, 1 vertex diffuse, 2 vertex specular.
    std::uint8_t diffuseSource, ambientSource, specularSource, emissiveSource;
    std::uint8_t texCoordSize[8];  // floats per coordinate set the stages read (0 unread)
    std::uint8_t fogMode;          // D3DFOG_*
    std::uint8_t rangeFog;
    std::uint8_t alphaFunc;  // D3DCMP_*, 0 without alpha test
    std::uint8_t padding[2];
};

// The key for drawing with this state and vertex format, already normalised.
FixedFunctionKey BuildKey(const DeviceState& state, DWORD fvf);
// Whether BuildKey reads this render state (stage states, the vertex format and which stages have a
// texture always enter the key).
bool EntersKey(D3DRENDERSTATETYPE state);
// Clears what the stages don't use: arguments an operation doesn't read, stages after the first
// disabled one, texture details of stages that read no texture, unread coordinate sets.
void Normalise(FixedFunctionKey& key);

bool operator==(const FixedFunctionKey& a, const FixedFunctionKey& b);
struct FixedFunctionKeyHash {
    std::size_t operator()(const FixedFunctionKey& key) const;
};

// Which of the three arguments (0, 1, 2) a texture operation reads.
bool OpReadsArg(DWORD op, int arg);

}  // namespace gfx::gl
