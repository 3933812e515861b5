// Facts about D3D formats that device selection and materials rely on.
#pragma once

#include <cstdint>
#include <string_view>

namespace render {

// Bits per pixel; 0 for compressed, video and unknown formats.
std::uint32_t FormatBitDepth(std::uint32_t format);

bool FormatHasAlpha(std::uint32_t format);

// The format named by one of the seven texts data files use ("D3DFMT_A8R8G8B8", ...); 0 for any
// other text.
std::uint32_t FormatFromName(std::string_view name);

}  // namespace render
