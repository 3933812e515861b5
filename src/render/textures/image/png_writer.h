// A PNG writer for screenshots: 8-bit RGB, no interlacing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

// `argb` holds width x height A8R8G8B8 pixels, the top row first; the alpha is dropped.
std::vector<std::uint8_t> EncodePng(const std::vector<std::uint32_t>& argb, std::uint32_t width,
                                    std::uint32_t height);
bool WritePng(const std::string& path, const std::vector<std::uint32_t>& argb, std::uint32_t width,
              std::uint32_t height);

}  // namespace render
