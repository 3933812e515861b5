#include "platform/fake/memory_registry.h"

#include <algorithm>

#include "core/ascii.h"

namespace platform::fake {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return core::AsciiEqualsIgnoringCase(a, b);
}

void Assign(std::vector<MemoryValue>& values, std::string_view name, std::uint32_t type,
            std::vector<std::uint8_t> data) {
    auto same = std::find_if(values.begin(), values.end(),
                             [name](const MemoryValue& v) { return SameName(v.name, name); });
    MemoryValue& value = same != values.end() ? *same : values.emplace_back();
    value.name = std::string(name);
    value.type = type;
    value.data = std::move(data);
}

// Sees the values as they were when opened; what is set is stored on Close.
class MemoryKey final : public RegistryKey {
public:
    MemoryKey(MemoryRegistry& owner, std::vector<MemoryValue>& stored, RegistryAccess access)
        : owner_(owner), stored_(stored), values_(stored), access_(access) {}

    bool QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data,
                    std::size_t capacity) const override {
        for (const MemoryValue& value : values_) {
            if (SameName(value.name, name)) {
                if (value.data.size() > capacity) {
                    return false;
                }
                type = value.type;
                data = value.data;
                return true;
            }
        }
        return false;
    }

    bool SetValue(std::string_view name, std::uint32_t type,
                  std::span<const std::uint8_t> data) override {
        if (access_ != RegistryAccess::Write || closed_) {
            return false;
        }
        Assign(values_, name, type, {data.begin(), data.end()});
        dirty_ = true;
        return true;
    }

    bool Close() override {
        if (closed_) {
            return true;
        }
        closed_ = true;
        if (!dirty_) {
            return true;
        }
        if (owner_.failStore) {
            return false;
        }
        ++owner_.stores;
        stored_ = values_;
        return true;
    }

private:
    MemoryRegistry& owner_;
    std::vector<MemoryValue>& stored_;
    std::vector<MemoryValue> values_;
    RegistryAccess access_;
    bool dirty_ = false;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<RegistryKey> MemoryRegistry::CreateKey(std::string_view path,
                                                       RegistryAccess access) {
    if ((access == RegistryAccess::Read && failOpenForRead) ||
        (access == RegistryAccess::Write && failOpenForWrite)) {
        return nullptr;
    }
    ++opens;
    auto found = keys_.find(path);
    if (found == keys_.end()) {
        found = keys_.emplace(std::string(path), std::vector<MemoryValue>{}).first;
    }
    return std::make_unique<MemoryKey>(*this, found->second, access);
}

void MemoryRegistry::Put(std::string_view path, std::string_view name, std::uint32_t type,
                         std::vector<std::uint8_t> data) {
    auto found = keys_.find(path);
    if (found == keys_.end()) {
        found = keys_.emplace(std::string(path), std::vector<MemoryValue>{}).first;
    }
    Assign(found->second, name, type, std::move(data));
}

const MemoryValue* MemoryRegistry::Get(std::string_view path, std::string_view name) const {
    const auto found = keys_.find(path);
    if (found == keys_.end()) {
        return nullptr;
    }
    for (const MemoryValue& value : found->second) {
        if (SameName(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

const std::vector<MemoryValue>& MemoryRegistry::Values(std::string_view path) const {
    static const std::vector<MemoryValue> kNone;
    const auto found = keys_.find(path);
    return found == keys_.end() ? kNone : found->second;
}

}  // namespace platform::fake
