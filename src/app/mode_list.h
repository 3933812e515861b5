// The display modes the settings dialog offers: every adapter's modes of at least 640 x 480,
// one entry per text, and which of them starts selected.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/saver_settings.h"
#include "platform/gfx/d3d_types.h"
#include "render/device/device_enumeration.h"

namespace app {

struct ModeEntry {
    std::string text;  // "1024x768x32bit"
    std::uint32_t adapter = 0;
    gfx::D3DDISPLAYMODE mode{};
};

struct ModeList {
    std::vector<ModeEntry> entries;
    std::optional<std::size_t> selected;
};

// The entries in adapter order and, within one, in the enumeration's mode order. The selection:
// the stored size, depth and adapter; else the desktop's mode; else 800x600x16bit, which a later
// match of the first two still replaces.
ModeList BuildModeList(const std::vector<render::AdapterInfo>& adapters,
                       const SaverSettings& settings, const gfx::D3DDISPLAYMODE& desktop);

// What OK stores from the selected entry: its size and bit depth, on adapter 0.
void ApplyModeEntry(const ModeEntry& entry, SaverSettings& settings);

}  // namespace app
