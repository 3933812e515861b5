#include "app/directx_version.h"

#include <array>
#include <cstdio>

#include "core/ascii.h"

namespace app {

namespace {

// Method 1: the version a context on a hidden window reports.
bool FromContext(platform::GlVersionProbe& probe, RuntimeVersion& version) {
    const auto text = probe.ContextVersion();
    if (!text) {
        return false;
    }
    int major = 0;
    int minor = 0;
    if (!ParseGlVersion(*text, major, minor)) {
        return false;
    }
    version = {major, minor, ' '};
    return true;
}

struct LibraryCheck {
    const char* symbol;  // an entry point the version brought in
    int major;
    int minor;
};

// Checked in order, each hit overwriting the last; the libraries of the Linux OpenGL ABI export
// the entry points of every version they implement.
constexpr std::array<LibraryCheck, 17> kLibraryChecks = {{
    {"glXChooseVisual", 1, 2},
    {"glActiveTexture", 1, 3},
    {"glBlendFuncSeparate", 1, 4},
    {"glGenQueries", 1, 5},
    {"glCreateShader", 2, 0},
    {"glUniformMatrix2x3fv", 2, 1},
    {"glBindVertexArray", 3, 0},
    {"glDrawArraysInstanced", 3, 1},
    {"glFenceSync", 3, 2},
    {"glBindSampler", 3, 3},
    {"glDrawArraysIndirect", 4, 0},
    {"glGetProgramBinary", 4, 1},
    {"glTexStorage2D", 4, 2},
    {"glDispatchCompute", 4, 3},
    {"glBufferStorage", 4, 4},
    {"glClipControl", 4, 5},
    {"glSpecializeShader", 4, 6},
}};

constexpr std::array<const char*, 2> kGlLibraries = {"libGL.so.1", "libOpenGL.so.0"};

// Method 2: the newest version whose entry points the system's GL libraries export.
bool FromLibraries(platform::GlVersionProbe& probe, RuntimeVersion& version) {
    bool found = false;
    for (const LibraryCheck& check : kLibraryChecks) {
        for (const char* library : kGlLibraries) {
            if (probe.LibraryExports(library, check.symbol)) {
                version = {check.major, check.minor, ' '};
                found = true;
                break;
            }
        }
    }
    if (!found) {
        version = {};
    }
    return found;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of at most three digits; false when there is none or it is longer.
bool ReadSmallNumber(std::string_view text, std::size_t& pos, int& value) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (pos - start == 3) {
            return false;
        }
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

}  // namespace

std::uint32_t PackVersion(int major, int minor, char letter) {
    letter = core::AsciiLower(letter);
    std::uint32_t packed = ((static_cast<std::uint32_t>(major) & 0xFF) * 256 +
                            (static_cast<std::uint32_t>(minor) & 0xFF)) *
                           256;
    if (letter >= 'a' && letter <= 'z') {
        packed += static_cast<std::uint32_t>(letter - 'a' + 1);
    }
    return packed;
}

void FormatVersionText(int major, int minor, char letter, char* text, std::size_t textSize) {
    if (text == nullptr || textSize == 0) {
        return;
    }
    if (letter == ' ') {
        std::snprintf(text, textSize, "%d.%d", major, minor);
    } else {
        std::snprintf(text, textSize, "%d.%d%c", major, minor, letter);
    }
    text[textSize - 1] = '\0';
}

bool ParseGlVersion(std::string_view text, int& major, int& minor) {
    // OpenGL ES contexts prefix their version ("OpenGL ES 3.2 Mesa ...", "OpenGL ES-CM 1.1").
    if (text.starts_with("OpenGL ES")) {
        const auto space = text.find(' ', 9);
        if (space == std::string_view::npos) {
            return false;
        }
        text.remove_prefix(space + 1);
    }
    std::size_t pos = 0;
    int parsedMajor = 0;
    int parsedMinor = 0;
    if (!ReadSmallNumber(text, pos, parsedMajor) || pos >= text.size() || text[pos] != '.') {
        return false;
    }
    ++pos;
    if (!ReadSmallNumber(text, pos, parsedMinor) || parsedMajor > 255 || parsedMinor > 255) {
        return false;
    }
    major = parsedMajor;
    minor = parsedMinor;
    return true;
}

std::int32_t ReportVersion(const RuntimeVersion* found, std::uint32_t* packedVersion, char* text,
                           std::size_t textSize) {
    if (packedVersion != nullptr) {
        *packedVersion = 0;
    }
    if (text != nullptr && textSize > 0) {
        text[0] = '\0';
    }
    if (found == nullptr) {
        return E_FAIL;
    }
    const char letter = core::AsciiLower(found->letter);
    if (packedVersion != nullptr) {
        *packedVersion = PackVersion(found->major, found->minor, letter);
    }
    FormatVersionText(found->major, found->minor, letter, text, textSize);
    return S_OK;
}

std::int32_t GetDirectXVersion(std::uint32_t* packedVersion, char* text, std::size_t textSize,
                               platform::GlVersionProbe& probe) {
    RuntimeVersion version;
    const bool found = FromContext(probe, version) || FromLibraries(probe, version);
    return ReportVersion(found ? &version : nullptr, packedVersion, text, textSize);
}

bool GraphicsVersionSufficient(platform::GlVersionProbe& probe) {
    std::uint32_t packed = 0;
    return GetDirectXVersion(&packed, nullptr, 0, probe) == S_OK &&
           packed >= kRequiredGraphicsVersion;
}

}  // namespace app
