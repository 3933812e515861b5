#include "app/direct3d_version.h"

#include <array>

#include "app/directx_version.h"

namespace app {

namespace {

using platform::FileVersion;

// A file version that counts as a hit: at least `oldest`, and when `majorPart` is not 0, with
// that first part. Rows with two forms (the Windows 9x and NT lines) have one check for each.
struct FileCheck {
    std::string_view file;
    std::uint16_t majorPart;
    std::uint64_t oldest;
    RuntimeVersion result;
};

// Checked in order, each hit overwriting the last.
constexpr std::array<FileCheck, 20> kFileChecks = {{
    {"ddraw.dll", 0, FileVersion(4, 2, 0, 95), {1, 0, ' '}},
    {"ddraw.dll", 0, FileVersion(4, 3, 0, 1096), {2, 0, ' '}},
    {"ddraw.dll", 0, FileVersion(4, 4, 0, 68), {3, 0, ' '}},
    {"d3drg8x.dll", 0, FileVersion(4, 4, 0, 70), {3, 0, 'a'}},
    {"ddraw.dll", 0, FileVersion(4, 5, 0, 155), {5, 0, ' '}},
    {"ddraw.dll", 0, FileVersion(4, 6, 0, 318), {6, 0, ' '}},
    {"ddraw.dll", 0, FileVersion(4, 6, 0, 436), {6, 1, ' '}},
    {"dplayx.dll", 0, FileVersion(4, 6, 3, 518), {6, 1, 'a'}},
    {"ddraw.dll", 0, FileVersion(4, 7, 0, 700), {7, 0, ' '}},
    {"dinput.dll", 0, FileVersion(4, 7, 0, 716), {7, 0, 'a'}},
    {"ddraw.dll", 4, FileVersion(4, 8, 0, 400), {8, 0, ' '}},
    {"ddraw.dll", 5, FileVersion(5, 1, 2258, 400), {8, 0, ' '}},
    {"d3d8.dll", 4, FileVersion(4, 8, 1, 881), {8, 1, ' '}},
    {"d3d8.dll", 5, FileVersion(5, 1, 2600, 881), {8, 1, ' '}},
    {"d3d8.dll", 4, FileVersion(4, 8, 1, 901), {8, 1, 'a'}},
    {"d3d8.dll", 5, FileVersion(5, 1, 2600, 901), {8, 1, 'a'}},
    {"mpg2splt.ax", 0, FileVersion(6, 3, 1, 885), {8, 1, 'b'}},
    {"dpnet.dll", 4, FileVersion(4, 9, 0, 134), {8, 2, ' '}},
    {"dpnet.dll", 5, FileVersion(5, 2, 3677, 134), {8, 2, ' '}},
    // Any readable version of d3d9.dll means 9.0.
    {"d3d9.dll", 0, 0, {9, 0, ' '}},
}};

bool FromProvider(platform::DirectXProbe& probe, RuntimeVersion& version) {
    const auto reported = probe.DiagnosticVersion();
    if (!reported) {
        return false;
    }
    version = {reported->major, reported->minor, reported->letter};
    return true;
}

bool FromFiles(platform::DirectXProbe& probe, RuntimeVersion& version) {
    bool found = false;
    for (const FileCheck& check : kFileChecks) {
        const auto fileVersion = probe.SystemFileVersion(check.file);
        if (!fileVersion || *fileVersion < check.oldest ||
            (check.majorPart != 0 && (*fileVersion >> 48) != check.majorPart)) {
            continue;
        }
        version = check.result;
        found = true;
    }
    if (!found) {
        version = {};
    }
    return found;
}

}  // namespace

std::int32_t GetDirectXVersion(std::uint32_t* packedVersion, char* text, std::size_t textSize,
                               platform::DirectXProbe& probe) {
    RuntimeVersion version;
    const bool found = FromProvider(probe, version) || FromFiles(probe, version);
    return ReportVersion(found ? &version : nullptr, packedVersion, text, textSize);
}

bool DirectXVersionSufficient(platform::DirectXProbe& probe) {
    std::uint32_t packed = 0;
    return GetDirectXVersion(&packed, nullptr, 0, probe) == S_OK &&
           packed >= kRequiredDirectXVersion;
}

}  // namespace app
