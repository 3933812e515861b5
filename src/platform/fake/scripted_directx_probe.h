// The DirectX probe for tests: a scripted provider report and file versions by name.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/directx_probe.h"

namespace platform::fake {

class ScriptedDirectXProbe final : public DirectXProbe {
public:
    std::optional<DiagnosticDirectXVersion> DiagnosticVersion() override {
        ++providerQueries;
        return provider;
    }
    std::optional<std::uint64_t> SystemFileVersion(std::string_view fileName) override {
        const auto found = files.find(std::string(fileName));
        return found != files.end() ? std::optional(found->second) : std::nullopt;
    }

    std::optional<DiagnosticDirectXVersion> provider;
    std::map<std::string, std::uint64_t> files;
    int providerQueries = 0;
};

}  // namespace platform::fake
