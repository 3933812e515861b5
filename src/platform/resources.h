// Module resources: read-only data built into the executable, found by type and numeric id.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

class Resources {
public:
    virtual ~Resources() = default;

    // The bytes of resource (type, id), referenced in place for the life of the process; the type
    // is compared without regard to ASCII case. Nothing when there is no such resource.
    virtual std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                              std::uint32_t id) const = 0;

    // The resources built into this executable.
    static const Resources& Module();
};

bool ResourceTypeEquals(std::string_view a, std::string_view b);

}  // namespace platform
