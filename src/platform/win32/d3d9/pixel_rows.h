// Rows of a back buffer's pixels as A8R8G8B8 values, for reading the picture back.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d_types.h"

namespace gfx::d3d9 {

// False for a format this can't read. Formats without alpha read as opaque.
bool ToArgbRow(D3DFORMAT format, const void* row, UINT width, std::uint32_t* argb);

}  // namespace gfx::d3d9
