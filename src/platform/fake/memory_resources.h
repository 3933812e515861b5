// Resources held in memory, for tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/resources.h"

namespace platform::fake {

class MemoryResources final : public Resources {
public:
    void Add(std::string type, std::uint32_t id, std::vector<std::uint8_t> bytes);
    void Add(std::string type, std::uint32_t id, std::string_view text);

    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint32_t id) const override;

private:
    std::vector<std::pair<std::pair<std::string, std::uint32_t>, std::vector<std::uint8_t>>>
        entries_;
};

}  // namespace platform::fake
