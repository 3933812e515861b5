// The per-user settings store, shaped like the Windows registry: keys by path, values with a type
// (REG_DWORD, REG_SZ, ...) and raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

enum class RegistryAccess { Read, Write };

class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // The type and bytes of value `name` (names compare without ASCII case). False when the value
    // is missing or holds more than `capacity` bytes; `type` and `data` are then left alone.
    virtual bool QueryValue(std::string_view name, std::uint32_t& type,
                            std::vector<std::uint8_t>& data, std::size_t capacity) const = 0;

    // Sets value `name`. Only a key opened for writing accepts it; nothing reaches storage before
    // Close.
    virtual bool SetValue(std::string_view name, std::uint32_t type,
                          std::span<const std::uint8_t> data) = 0;

    // Stores what was set, all of it or nothing, and releases the key. False when it could not be
    // stored. A key dropped without Close stores nothing.
    virtual bool Close() = 0;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens key `path` (for example "Software\Maravek Studio\Zorvane") of the current user. A
    // missing key opens empty; null when the key can't be opened (unreadable storage, bad path).
    virtual std::unique_ptr<RegistryKey> CreateKey(std::string_view path,
                                                   RegistryAccess access) = 0;

    // The current user's registry: one .reg file per key under $XDG_CONFIG_HOME (~/.config).
    static Registry& CurrentUser();
};

// A REG_DWORD of exactly four bytes; anything else (missing, other type or size) gives false.
bool QueryDword(const RegistryKey& key, std::string_view name, std::uint32_t& value);

// A REG_SZ of at most `capacity` bytes, cut at its first zero byte; anything else gives false.
bool QueryString(const RegistryKey& key, std::string_view name, std::string& value,
                 std::size_t capacity);

bool SetDword(RegistryKey& key, std::string_view name, std::uint32_t value);

// Stores the characters without a terminating zero.
bool SetString(RegistryKey& key, std::string_view name, std::string_view value);

}  // namespace platform
