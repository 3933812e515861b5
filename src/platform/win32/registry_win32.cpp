// The current user's registry, HKEY_CURRENT_USER itself. Values set on a key wait in the key
// until Close writes them, so a key dropped early stores nothing; should a write fail, the values
// already written go back to what they were.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/ascii.h"
#include "platform/registry.h"
#include "platform/win32/win32_api.h"

namespace platform {

namespace {

// Windows' own limits on a key's path and a value's name.
constexpr std::size_t kMaxKeyPath = 255;
constexpr std::size_t kMaxValueName = 16383;

struct PendingValue {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

bool ValidKeyPath(std::string_view path) {
    if (path.empty() || path.size() > kMaxKeyPath || path.front() == '\\' ||
        path.back() == '\\' || path.find("\\\\") != std::string_view::npos) {
        return false;
    }
    return std::none_of(path.begin(), path.end(), [](char c) { return c == '\0'; });
}

bool ValidValueName(std::string_view name) {
    return name.size() <= kMaxValueName && name.find('\0') == std::string_view::npos;
}

// The value as stored now: its type and bytes, or nothing when it is missing or unreadable.
std::optional<PendingValue> ReadStored(HKEY key, const std::string& name, std::size_t capacity) {
    if (key == nullptr) {
        return std::nullopt;
    }
    ::DWORD type = 0;
    ::DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > capacity) {
        return std::nullopt;
    }
    PendingValue value{name, static_cast<std::uint32_t>(type), {}};
    value.data.resize(size);
    // A value that grew since its size was asked for reads as missing.
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.type = static_cast<std::uint32_t>(type);
    value.data.resize(size);
    return value;
}

bool Store(HKEY key, const PendingValue& value) {
    static const std::uint8_t kNothing = 0;
    return RegSetValueExA(key, value.name.c_str(), 0, static_cast<::DWORD>(value.type),
                          value.data.empty() ? &kNothing : value.data.data(),
                          static_cast<::DWORD>(value.data.size())) == ERROR_SUCCESS;
}

class Win32RegistryKey final : public RegistryKey {
public:
    Win32RegistryKey(std::string path, RegistryAccess access, HKEY stored)
        : path_(std::move(path)), access_(access), stored_(stored) {}

    ~Win32RegistryKey() override { Release(); }

    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

    bool QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data,
                    std::size_t capacity) const override {
        if (closed_ || !ValidValueName(name)) {
            return false;
        }
        if (const PendingValue* pending = FindPending(name)) {
            if (pending->data.size() > capacity) {
                return false;
            }
            type = pending->type;
            data = pending->data;
            return true;
        }
        const auto stored = ReadStored(stored_, std::string(name), capacity);
        if (!stored) {
            return false;
        }
        type = stored->type;
        data = stored->data;
        return true;
    }

    bool SetValue(std::string_view name, std::uint32_t type,
                  std::span<const std::uint8_t> data) override {
        if (access_ != RegistryAccess::Write || closed_ || !ValidValueName(name) ||
            data.size() > UINT32_MAX) {
            return false;
        }
        PendingValue* value = FindPending(name);
        if (value == nullptr) {
            value = &pending_.emplace_back();
        }
        value->name = std::string(name);
        value->type = type;
        value->data.assign(data.begin(), data.end());
        // Windows keeps a text with its terminating zero; readers of other programs expect it.
        if ((type == REG_SZ || type == REG_EXPAND_SZ) &&
            (value->data.empty() || value->data.back() != 0)) {
            value->data.push_back(0);
        }
        return true;
    }

    bool Close() override {
        if (closed_) {
            return true;
        }
        closed_ = true;
        const bool stored = pending_.empty() || StorePending();
        pending_.clear();
        Release();
        return stored;
    }

private:
    const PendingValue* FindPending(std::string_view name) const {
        for (const PendingValue& value : pending_) {
            if (core::AsciiEqualsIgnoringCase(value.name, name)) {
                return &value;
            }
        }
        return nullptr;
    }

    PendingValue* FindPending(std::string_view name) {
        return const_cast<PendingValue*>(std::as_const(*this).FindPending(name));
    }

    bool StorePending() {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return false;
        }
        // What each value held before, to put back when a later one can't be written.
        std::vector<std::optional<PendingValue>> before;
        bool stored = true;
        for (const PendingValue& value : pending_) {
            before.push_back(ReadStored(key, value.name, UINT32_MAX));
            if (!Store(key, value)) {
                stored = false;
                break;
            }
        }
        if (!stored) {
            for (std::size_t i = 0; i < before.size(); ++i) {
                if (before[i]) {
                    Store(key, *before[i]);
                } else {
                    RegDeleteValueA(key, pending_[i].name.c_str());
                }
            }
        }
        RegCloseKey(key);
        return stored;
    }

    void Release() {
        if (stored_ != nullptr) {
            RegCloseKey(stored_);
            stored_ = nullptr;
        }
    }

    std::string path_;
    RegistryAccess access_;
    HKEY stored_;  // the key as it is now; null while it does not exist
    std::vector<PendingValue> pending_;
    bool closed_ = false;
};

class Win32Registry final : public Registry {
public:
    std::unique_ptr<RegistryKey> CreateKey(std::string_view path,
                                           RegistryAccess access) override {
        if (!ValidKeyPath(path)) {
            return nullptr;
        }
        const std::string keyPath(path);
        HKEY stored = nullptr;
        const LSTATUS status =
            RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &stored);
        if (status == ERROR_FILE_NOT_FOUND) {
            stored = nullptr;
        } else if (status != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<Win32RegistryKey>(keyPath, access, stored);
    }
};

}  // namespace

Registry& Registry::CurrentUser() {
    static Win32Registry registry;
    return registry;
}

}  // namespace platform
