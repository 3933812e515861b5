// A registry held in memory, for tests: values per key path, what was stored and how often, and
// switches that make opening or storing fail.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform::fake {

struct MemoryValue {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

class MemoryRegistry final : public Registry {
public:
    std::unique_ptr<RegistryKey> CreateKey(std::string_view path, RegistryAccess access) override;

    // Puts a value in place directly, of any type and size.
    void Put(std::string_view path, std::string_view name, std::uint32_t type,
             std::vector<std::uint8_t> data);
    const MemoryValue* Get(std::string_view path, std::string_view name) const;
    const std::vector<MemoryValue>& Values(std::string_view path) const;

    bool failOpenForRead = false;
    bool failOpenForWrite = false;
    bool failStore = false;
    int opens = 0;
    int stores = 0;

private:
    std::map<std::string, std::vector<MemoryValue>, std::less<>> keys_;
};

}  // namespace platform::fake
