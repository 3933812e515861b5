// GLSL 3.30 programs that reproduce Direct3D's fixed-function vertex and pixel pipeline for one
// normalised state key.
#pragma once

#include <string>

#include "platform/linux/gl/fixed_function_key.h"

namespace gfx::gl {

// Vertex attribute locations the generated programs read.
inline constexpr int kAttribPosition = 0;
inline constexpr int kAttribNormal = 1;
inline constexpr int kAttribDiffuse = 2;
inline constexpr int kAttribSpecular = 3;
inline constexpr int kAttribTexCoord0 = 4;  // sets 0..7 follow

std::string GenerateVertexShader(const FixedFunctionKey& key);
std::string GenerateFragmentShader(const FixedFunctionKey& key);

}  // namespace gfx::gl
