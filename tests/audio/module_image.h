// The built audio module's image, offered as resource "BASS" 185 the way the executable has it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/resources.h"

namespace audiotest {

std::vector<std::uint8_t> ModuleImage();

class ImageResources : public platform::Resources {
public:
    explicit ImageResources(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint32_t id) const override;

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace audiotest
