#include "app/mode_list.h"

#include <algorithm>

#include "render/device/format_info.h"

namespace app {

namespace {

// Only texts shorter than this are compared when looking for a duplicate.
constexpr std::size_t kComparedTextLength = 200;

std::string EntryText(const gfx::D3DDISPLAYMODE& mode) {
    return std::to_string(mode.Width) + "x" + std::to_string(mode.Height) + "x" +
           std::to_string(render::FormatBitDepth(mode.Format)) + "bit";
}

}  // namespace

ModeList BuildModeList(const std::vector<render::AdapterInfo>& adapters,
                       const SaverSettings& settings, const gfx::D3DDISPLAYMODE& desktop) {
    ModeList list;
    bool chosen = false;
    for (const render::AdapterInfo& adapter : adapters) {
        for (const gfx::D3DDISPLAYMODE& mode : adapter.displayModes) {
            if (mode.Width < 640 || mode.Height < 480) {
                continue;
            }
            std::string text = EntryText(mode);
            const bool listed = std::any_of(
                list.entries.begin(), list.entries.end(), [&text](const ModeEntry& entry) {
                    return entry.text.size() < kComparedTextLength && entry.text == text;
                });
            if (listed) {
                continue;
            }
            list.entries.push_back({std::move(text), adapter.adapter, mode});
            const std::size_t index = list.entries.size() - 1;
            const std::uint32_t depth = render::FormatBitDepth(mode.Format);
            if (static_cast<std::int64_t>(mode.Width) == settings.Width &&
                static_cast<std::int64_t>(mode.Height) == settings.Height &&
                static_cast<std::int64_t>(depth) == settings.Depth &&
                static_cast<std::int64_t>(adapter.adapter) == settings.Adapter) {
                list.selected = index;
                chosen = true;
            } else if (!chosen && mode.Width == desktop.Width && mode.Height == desktop.Height &&
                       mode.Format == desktop.Format) {
                list.selected = index;
                chosen = true;
            } else if (!chosen && mode.Width == 800 && mode.Height == 600 && depth == 16) {
                list.selected = index;
            }
        }
    }
    return list;
}

void ApplyModeEntry(const ModeEntry& entry, SaverSettings& settings) {
    settings.Width = static_cast<std::int32_t>(entry.mode.Width);
    settings.Height = static_cast<std::int32_t>(entry.mode.Height);
    settings.Depth = static_cast<std::int32_t>(render::FormatBitDepth(entry.mode.Format));
    settings.Adapter = 0;
}

}  // namespace app
