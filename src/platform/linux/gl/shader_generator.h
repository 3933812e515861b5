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

// Each of the eight light slots is this many vec4 of uLights: diffuse, specular, ambient, camera
// position with the light's kind in w, camera direction, attenuation 0/1/2 with the range in w,
// and cos(theta / 2), cos(phi / 2), falloff. Bit i of uLightMask switches slot i on.
inline constexpr int kLightVectors = 7;

std::string GenerateVertexShader(const FixedFunctionKey& key);
std::string GenerateFragmentShader(const FixedFunctionKey& key);

}  // namespace gfx::gl
