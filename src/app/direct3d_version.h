// The version check of the Windows program: the DirectX diagnostic provider first, then the
// versions of the DirectX files in the system folder. Packing and text are those of
// directx_version.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/directx_probe.h"

namespace app {

// The oldest DirectX the Windows program runs on: 9.0.
inline constexpr std::uint32_t kRequiredDirectXVersion = 0x00090000;

// Where the notice sends a user of Windows whose DirectX is too old.
inline constexpr std::string_view kDirectXDownloadUrl =
    "https://www.microsoft.com/en-us/download/details.aspx?id=35";

// `packedVersion` and `text` (either may be null) are cleared first; the text is "%d.%d" or
// "%d.%d%c", always terminated at text[textSize - 1]. Returns S_OK, or E_FAIL when neither the
// provider nor a file gave a version.
std::int32_t GetDirectXVersion(std::uint32_t* packedVersion, char* text, std::size_t textSize,
                               platform::DirectXProbe& probe);

// True when the check succeeds and reports at least kRequiredDirectXVersion.
bool DirectXVersionSufficient(platform::DirectXProbe& probe);

}  // namespace app
