// The display modes the settings dialog lists and which one it selects.
#include "app/mode_list.h"

#include <gtest/gtest.h>

namespace {

using gfx::D3DFMT_R5G6B5;
using gfx::D3DFMT_X8R8G8B8;

gfx::D3DDISPLAYMODE Mode(std::uint32_t width, std::uint32_t height, gfx::D3DFORMAT format,
                         std::uint32_t refresh = 60) {
    return {width, height, refresh, format};
}

render::AdapterInfo Adapter(std::uint32_t ordinal, std::vector<gfx::D3DDISPLAYMODE> modes) {
    render::AdapterInfo adapter;
    adapter.adapter = ordinal;
    adapter.displayModes = std::move(modes);
    return adapter;
}

app::SaverSettings Stored(int width, int height, int depth, int adapter = 0) {
    app::SaverSettings settings;
    settings.Width = width;
    settings.Height = height;
    settings.Depth = depth;
    settings.Adapter = adapter;
    return settings;
}

std::vector<std::string> Texts(const app::ModeList& list) {
    std::vector<std::string> texts;
    for (const auto& entry : list.entries) {
        texts.push_back(entry.text);
    }
    return texts;
}

TEST(ModeList, SmallModesAndDuplicatesAreLeftOut) {
    const std::vector adapters = {
        Adapter(0, {Mode(640, 400, D3DFMT_X8R8G8B8), Mode(600, 480, D3DFMT_X8R8G8B8),
                    Mode(640, 480, D3DFMT_R5G6B5), Mode(1024, 768, D3DFMT_X8R8G8B8, 60),
                    Mode(1024, 768, D3DFMT_X8R8G8B8, 75)}),
        Adapter(1, {Mode(1024, 768, D3DFMT_X8R8G8B8), Mode(1920, 1080, D3DFMT_X8R8G8B8)}),
    };
    const auto list = app::BuildModeList(adapters, Stored(0, 0, 0), {});
    EXPECT_EQ(Texts(list),
              (std::vector<std::string>{"640x480x16bit", "1024x768x32bit", "1920x1080x32bit"}));
    // The entry two adapters share is tied to the first.
    EXPECT_EQ(list.entries[1].adapter, 0u);
    EXPECT_EQ(list.entries[2].adapter, 1u);
    EXPECT_FALSE(list.selected);
}

TEST(ModeList, SelectionRules) {
    const std::vector adapters = {
        Adapter(0, {Mode(800, 600, D3DFMT_R5G6B5), Mode(1024, 768, D3DFMT_X8R8G8B8),
                    Mode(1280, 1024, D3DFMT_X8R8G8B8)}),
        Adapter(1, {Mode(1600, 1200, D3DFMT_X8R8G8B8), Mode(1280, 1024, D3DFMT_R5G6B5)}),
    };
    struct Case {
        const char* what;
        app::SaverSettings stored;
        gfx::D3DDISPLAYMODE desktop;
        std::optional<std::size_t> selected;
    };
    const Case cases[] = {
        {"the stored mode", Stored(1280, 1024, 32), Mode(1024, 768, D3DFMT_X8R8G8B8), 2},
        {"the stored mode beats an earlier desktop match", Stored(1280, 1024, 32),
         Mode(800, 600, D3DFMT_R5G6B5), 2},
        {"the stored adapter counts", Stored(1600, 1200, 32, 0), Mode(1, 1, D3DFMT_R5G6B5), 0},
        {"on its adapter", Stored(1600, 1200, 32, 1), Mode(1, 1, D3DFMT_R5G6B5), 3},
        {"the desktop when nothing is stored", Stored(0, 0, 0), Mode(1024, 768, D3DFMT_X8R8G8B8),
         1},
        {"the desktop's format counts", Stored(0, 0, 0), Mode(1024, 768, D3DFMT_R5G6B5), 0},
        {"800x600x16bit otherwise", Stored(0, 0, 0), Mode(1, 1, D3DFMT_R5G6B5), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::BuildModeList(adapters, c.stored, c.desktop).selected, c.selected) << c.what;
    }
    // Without 800x600x16bit and no match nothing is selected.
    const std::vector others = {Adapter(0, {Mode(1024, 768, D3DFMT_X8R8G8B8)})};
    EXPECT_FALSE(app::BuildModeList(others, Stored(0, 0, 0), Mode(1, 1, D3DFMT_R5G6B5)).selected);
    // 800x600x16bit listed first gives way to a later desktop match.
    EXPECT_EQ(
        app::BuildModeList(adapters, Stored(0, 0, 0), Mode(1600, 1200, D3DFMT_X8R8G8B8)).selected,
        3u);
}

TEST(ModeList, OkStoresSizeAndDepthOnAdapterZero) {
    app::SaverSettings settings = Stored(1, 1, 1, 3);
    app::ApplyModeEntry({"1280x1024x16bit", 1, Mode(1280, 1024, D3DFMT_R5G6B5)}, settings);
    EXPECT_EQ(settings, Stored(1280, 1024, 16, 0));
}

}  // namespace
