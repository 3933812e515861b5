#include "module_image.h"

#include <fstream>
#include <iterator>

namespace audiotest {

std::vector<std::uint8_t> ModuleImage() {
    std::ifstream in(ZORVANE_BINARY_DIR "/audio/libzorvane_audio.so", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::optional<std::span<const std::uint8_t>> ImageResources::Find(std::string_view type,
                                                                  std::uint32_t id) const {
    if (bytes_.empty() || !platform::ResourceTypeEquals(type, "bass") || id != 185) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(bytes_);
}

}  // namespace audiotest
