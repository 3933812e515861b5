// The module's own resources, compiled in from the .rc the build generates: found with
// FindResourceA and referenced in place, where Windows keeps them mapped for the process's life.
#include "platform/resources.h"

#include <string>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

class ModuleResources final : public Resources {
public:
    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint32_t id) const override {
        // Type names are stored in capitals. A type with a NUL inside names none of them, and
        // Windows would read "#2" as the numbered type 2, which is no name of ours.
        if (type.empty() || type.front() == '#' || type.find('\0') != std::string_view::npos ||
            id == 0 || id > 0xFFFF) {
            return std::nullopt;
        }
        std::string upper(type);
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') {
                c = char(c - 'a' + 'A');
            }
        }
        HMODULE module = GetModuleHandleA(nullptr);
        HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), upper.c_str());
        if (info == nullptr) {
            return std::nullopt;
        }
        HGLOBAL loaded = LoadResource(module, info);
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) {
            return std::nullopt;
        }
        return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes),
                                             std::size_t(SizeofResource(module, info)));
    }
};

}  // namespace

const Resources& Resources::Module() {
    static const ModuleResources resources;
    return resources;
}

}  // namespace platform
