// What Windows tells about its DirectX without the engine's device: the report of the DirectX
// diagnostic provider, and the version resources of the files in the system folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct DiagnosticDirectXVersion {
    int major = 0;
    int minor = 0;
    char letter = ' ';  // the first character of the reported letter, in the ANSI code page
};

class DirectXProbe {
public:
    virtual ~DirectXProbe() = default;

    // The version the diagnostic provider reports ("DxDiag_SystemInfo"); nothing unless it
    // reports the major and minor numbers and the letter.
    virtual std::optional<DiagnosticDirectXVersion> DiagnosticVersion() = 0;

    // The fixed file version a.b.c.d of `fileName` in the system folder, as one number with a in
    // the top 16 bits; nothing when the file has no readable version.
    virtual std::optional<std::uint64_t> SystemFileVersion(std::string_view fileName) = 0;

    static DirectXProbe& System();
};

// a.b.c.d as SystemFileVersion gives it.
constexpr std::uint64_t FileVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c,
                                    std::uint16_t d) {
    return std::uint64_t{a} << 48 | std::uint64_t{b} << 32 | std::uint64_t{c} << 16 | d;
}

}  // namespace platform
