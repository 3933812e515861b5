// Which graphics runtime the system offers. The version is packed as major in bits 16-23, minor in
// bits 8-15 and a letter ('a' = 1 .. 'z' = 26, 0 for none) in bits 0-7, so 3.3 is 0x00030300.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/gl_version.h"

namespace app {

inline constexpr std::int32_t S_OK = 0;
inline constexpr std::int32_t E_FAIL = static_cast<std::int32_t>(0x80004005u);

// The oldest runtime the saver runs on: OpenGL 3.3.
inline constexpr std::uint32_t kRequiredGraphicsVersion = 0x00030300;

// Asks the runtime of a hidden context first and, when that fails, infers the version from the
// entry points the system's GL libraries export. `packedVersion` and `text` (either may be null)
// are cleared first; the text is "%d.%d" or "%d.%d%c", always terminated at text[textSize - 1].
// Returns S_OK, or E_FAIL when neither way found a version.
std::int32_t GetDirectXVersion(
    std::uint32_t* packedVersion, char* text, std::size_t textSize,
    platform::GlVersionProbe& probe = platform::GlVersionProbe::System());

// A runtime's version as a check found it; the letter is ' ' for none.
struct RuntimeVersion {
    int major = 0;
    int minor = 0;
    char letter = ' ';
};

// What a version check hands its caller: `packedVersion` and `text` (either may be null) get the
// version `found` (capitals folded), and S_OK; with nothing found they are cleared and the
// result is E_FAIL.
std::int32_t ReportVersion(const RuntimeVersion* found, std::uint32_t* packedVersion, char* text,
                           std::size_t textSize);

// (major * 256 + minor) * 256, plus 1..26 for a letter 'a'..'z' (capitals folded).
std::uint32_t PackVersion(int major, int minor, char letter);

// "%d.%d", or "%d.%d%c" with a letter other than ' ', into text[0 .. textSize - 1], terminated.
void FormatVersionText(int major, int minor, char letter, char* text, std::size_t textSize);

// Major and minor from the start of a GL_VERSION text ("4.6 (Core Profile) Mesa 22.3.6", also
// "OpenGL ES 3.2 ..."); false when it does not start with a version.
bool ParseGlVersion(std::string_view versionText, int& major, int& minor);

// True when the version check succeeds and reports at least kRequiredGraphicsVersion.
bool GraphicsVersionSufficient(
    platform::GlVersionProbe& probe = platform::GlVersionProbe::System());

}  // namespace app
