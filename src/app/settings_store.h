// Reading and writing SaverSettings under the current user's key "Software\Maravek Studio\Zorvane".
// The base part holds the fields of SaverSettings; the picture path is the clock scene's part,
// read and written first by its own overrides.
#pragma once

#include <string>
#include <string_view>

#include "app/saver_settings.h"
#include "platform/registry.h"

namespace app {

inline constexpr std::string_view kSettingsKeyPath = "Software\\Maravek Studio\\Zorvane";

// Longest picture path read back, in bytes; a longer stored value is ignored.
inline constexpr std::size_t kPhotoPathCapacity = 256;

// "PhotoPath" into `photoPath` when it is a REG_SZ of at most 256 bytes, else unchanged. False
// (after tracing "Registry Failed\n") when the key can't be opened.
bool ReadPhotoPath(platform::Registry& registry, std::string& photoPath);

// Every field of `settings` but PhotoPath that is stored as a four-byte REG_DWORD within its range
// (Volume 0..100, Gamma -100..100, Adapter from 0, Width and Height 1..16384); the others keep
// their values. False when the key can't be opened.
bool ReadBaseSettings(platform::Registry& registry, SaverSettings& settings);

// "PhotoPath" as REG_SZ without a terminating zero. False when the key can't be opened or stored.
bool WritePhotoPath(platform::Registry& registry, const std::string& photoPath);

// Every field but PhotoPath as REG_DWORD (booleans as 0 or 1). False when the key can't be opened
// or stored.
bool WriteBaseSettings(platform::Registry& registry, const SaverSettings& settings);

}  // namespace app
