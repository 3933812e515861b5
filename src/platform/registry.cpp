#include "platform/registry.h"

namespace platform {

bool QueryDword(const RegistryKey& key, std::string_view name, std::uint32_t& value) {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
    if (!key.QueryValue(name, type, data, sizeof(std::uint32_t)) || type != REG_DWORD ||
        data.size() != sizeof(std::uint32_t)) {
        return false;
    }
    // REG_DWORD is little-endian.
    value = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    return true;
}

bool QueryString(const RegistryKey& key, std::string_view name, std::string& value,
                 std::size_t capacity) {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
    if (!key.QueryValue(name, type, data, capacity) || type != REG_SZ) {
        return false;
    }
    std::size_t length = 0;
    while (length < data.size() && data[length] != 0) {
        ++length;
    }
    value.assign(reinterpret_cast<const char*>(data.data()), length);
    return true;
}

bool SetDword(RegistryKey& key, std::string_view name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return key.SetValue(name, REG_DWORD, bytes);
}

bool SetString(RegistryKey& key, std::string_view name, std::string_view value) {
    return key.SetValue(name, REG_SZ,
                        {reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
}

}  // namespace platform
