#include "platform/fake/memory_resources.h"

namespace platform::fake {

void MemoryResources::Add(std::string type, std::uint32_t id, std::vector<std::uint8_t> bytes) {
    entries_.push_back({{std::move(type), id}, std::move(bytes)});
}

void MemoryResources::Add(std::string type, std::uint32_t id, std::string_view text) {
    Add(std::move(type), id, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::optional<std::span<const std::uint8_t>> MemoryResources::Find(std::string_view type,
                                                                   std::uint32_t id) const {
    for (const auto& [key, bytes] : entries_) {
        if (key.second == id && ResourceTypeEquals(key.first, type)) {
            return std::span<const std::uint8_t>(bytes);
        }
    }
    return std::nullopt;
}

}  // namespace platform::fake
