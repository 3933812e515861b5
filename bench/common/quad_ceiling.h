// The pieces the OpenGL benchmarks' fill-rate ceilings share: a patterned texture and the
// pre-transformed quad over a whole frame.
#pragma once

#include <array>
#include <cstdint>

#include "platform/gfx/device.h"

namespace bench {

struct ScreenVertex {
    float x, y, z, rhw, u, v;
};

// A `size` x `size` A8R8G8B8 texture of (x ^ y) * seed, opaque; null when it can't be made.
gfx::Texture* PatternTexture(gfx::Device* device, gfx::UINT size, std::uint32_t seed);

// The two triangles (a strip) covering a `width` x `height` frame, texel centres on pixel
// centres, the whole texture across them.
std::array<ScreenVertex, 4> FullScreenQuad(gfx::UINT width, gfx::UINT height);

}  // namespace bench
