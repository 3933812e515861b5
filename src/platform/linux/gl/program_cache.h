// Compiled fixed-function programs by state key, with their uniform locations.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/linux/gl/device_statistics.h"
#include "platform/linux/gl/fixed_function_key.h"

namespace gfx::gl {

// Uniforms that change together. The device stamps each group with a new generation when its
// values change; a program uploads a group only when the stamp differs from the one it saw last.
enum UniformGroup {
    kGroupWorldView,
    kGroupProjection,
    kGroupViewport,
    kGroupMaterial,
    kGroupAmbient,
    kGroupLightMask,
    kGroupTexMatrix,
    kGroupFog,
    kGroupTFactor,
    kGroupAlphaRef,
    kUniformGroupCount
};

struct Program {
    GLuint name = 0;
    GLint worldView, projection, normalMatrix, viewport;
    GLint matDiffuse, matAmbient, matSpecular, matEmissive, matPower, globalAmbient;
    GLint lightMask;
    std::array<GLint, kMaxActiveLights> lightSlot;  // the first vector of each light slot
    GLint texMatrix, fogParams, fogColor, tfactor, alphaRef;
    // The generation of each group and light slot this program holds (0: never uploaded).
    std::array<std::uint64_t, kUniformGroupCount> seen{};
    std::array<std::uint64_t, kMaxActiveLights> seenSlot{};
};

class ProgramCache {
public:
    ProgramCache() = default;
    ~ProgramCache();
    ProgramCache(const ProgramCache&) = delete;
    ProgramCache& operator=(const ProgramCache&) = delete;

    // The program for a key, compiled on first use; null when it doesn't compile.
    Program* Get(const FixedFunctionKey& key);
    const ProgramCacheStats& Stats() const { return stats_; }
    void ResetStats() { stats_ = {}; }
    std::size_t Size() const { return programs_.size(); }

private:
    std::unordered_map<FixedFunctionKey, std::unique_ptr<Program>, FixedFunctionKeyHash> programs_;
    ProgramCacheStats stats_;
};

// Compiles and links a vertex and fragment shader; 0 on failure.
GLuint LinkProgram(const char* vertexSource, const char* fragmentSource);

}  // namespace gfx::gl
