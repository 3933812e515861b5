#include <gtest/gtest.h>

#include "platform/fake/gfx/fake_runtime.h"
#include "render/device/device_enumeration.h"
#include "render/device/format_info.h"

namespace {

using namespace gfx;
using gfx::fake::FakeAdapter;
using gfx::fake::FakeRuntime;
using gfx::fake::FakeScript;
using render::DeviceEnumeration;
using render::DeviceSettings;

class DeviceSelectionTest : public ::testing::Test {
protected:
    void Enumerate(FakeScript script) {
        auto* runtime = new FakeRuntime(std::move(script));
        enumeration.SetRuntime(runtime);
        runtime->Release();
        ASSERT_TRUE(enumeration.Enumerate());
    }
    void EnumerateStandard() { Enumerate(FakeScript{{gfx::fake::StandardAdapter()}}); }

    DeviceEnumeration enumeration;
};

TEST_F(DeviceSelectionTest, ModesAreSortedAndCombosCarryTheirLists) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    adapter.devices[0].depthConflicts = {{D3DFMT_D32, D3DMULTISAMPLE_2_SAMPLES}};
    Enumerate(FakeScript{{adapter}});
    ASSERT_EQ(enumeration.Adapters().size(), 1u);
    const auto& modes = enumeration.Adapters()[0].displayModes;
    ASSERT_EQ(modes.size(), 20u);
    for (std::size_t i = 1; i < modes.size(); ++i) {
        const auto& a = modes[i - 1];
        const auto& b = modes[i];
        EXPECT_TRUE(std::tie(a.Width, a.Height, a.Format, a.RefreshRate) <
                    std::tie(b.Width, b.Height, b.Format, b.RefreshRate))
            << "mode " << i;
    }
    // 640 x 480 comes first, X8R8G8B8 (22) before R5G6B5 (23), 60 Hz before 75 Hz.
    EXPECT_EQ(modes[0].Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(modes[0].RefreshRate, 60u);
    EXPECT_EQ(modes[2].Format, D3DFMT_R5G6B5);

    const auto& device = enumeration.Adapters()[0].devices.at(0);
    ASSERT_EQ(device.combos.size(), 5u);
    const auto& combo = device.combos[0];
    EXPECT_EQ(combo.depthStencilFormats,
              (std::vector<D3DFORMAT>{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}));
    ASSERT_EQ(combo.multiSampleTypes.size(), 2u);
    EXPECT_EQ(combo.multiSampleTypes[1], std::make_pair(D3DMULTISAMPLE_2_SAMPLES, DWORD(2)));
    EXPECT_EQ(combo.conflicts, (std::vector<std::pair<D3DFORMAT, D3DMULTISAMPLE_TYPE>>{
                                   {D3DFMT_D32, D3DMULTISAMPLE_2_SAMPLES}}));
    EXPECT_EQ(
        combo.vertexProcessingTypes,
        (std::vector<std::uint32_t>{render::HARDWARE_VP, render::MIXED_VP, render::SOFTWARE_VP}));
}

TEST_F(DeviceSelectionTest, PresentIntervalsFollowCapsAndWindowedNeverListsMultiFrameOnes) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    adapter.devices[0].caps.PresentationIntervals =
        D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO | D3DPRESENT_INTERVAL_FOUR;
    adapter.devices[0].caps.DevCaps |= D3DDEVCAPS_PUREDEVICE;
    Enumerate(FakeScript{{adapter}});
    for (const auto& combo : enumeration.Adapters()[0].devices[0].combos) {
        const std::vector<std::uint32_t> expected =
            combo.windowed
                ? std::vector<std::uint32_t>{D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE}
                : std::vector<std::uint32_t>{D3DPRESENT_INTERVAL_DEFAULT, D3DPRESENT_INTERVAL_ONE,
                                             D3DPRESENT_INTERVAL_TWO, D3DPRESENT_INTERVAL_FOUR};
        EXPECT_EQ(combo.presentIntervals, expected) << "windowed " << combo.windowed;
        EXPECT_EQ(combo.vertexProcessingTypes.front(), render::PURE_HARDWARE_VP);
    }
}

TEST_F(DeviceSelectionTest, AdapterWithoutHalDeviceIsNeverChosen) {
    FakeAdapter software = gfx::fake::StandardAdapter();
    software.devices[0].type = D3DDEVTYPE_REF;
    software.devices[0].caps = gfx::fake::StandardCaps(D3DDEVTYPE_REF);
    Enumerate(FakeScript{{software}});
    ASSERT_EQ(enumeration.Adapters().size(), 1u) << "the adapter is kept: it has a device";
    DeviceSettings settings;
    EXPECT_FALSE(enumeration.FindBestMode(settings));

    FakeAdapter hal = gfx::fake::StandardAdapter();
    Enumerate(FakeScript{{software, hal}});
    DeviceSettings second;
    ASSERT_TRUE(enumeration.FindBestMode(second));
    EXPECT_EQ(second.adapter, 1u);
    EXPECT_EQ(second.deviceType, D3DDEVTYPE_HAL);
}

TEST_F(DeviceSelectionTest, AdapterWithoutAnyComboIsDropped) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    adapter.devices[0].depthFormats.clear();
    Enumerate(FakeScript{{adapter}});
    EXPECT_TRUE(enumeration.Adapters().empty());
    DeviceSettings settings;
    EXPECT_FALSE(enumeration.FindBestMode(settings));
}

TEST_F(DeviceSelectionTest, WindowedOnlyAcceptsTheDesktopFormat) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    adapter.desktop = {1280, 720, 60, D3DFMT_R5G6B5};
    Enumerate(FakeScript{{adapter}});
    DeviceSettings windowed;
    windowed.windowed = true;
    EXPECT_FALSE(enumeration.FindBestMode(windowed))
        << "the only windowed combos run on X8R8G8B8, the desktop is R5G6B5";

    adapter.devices[0].combos.push_back({D3DFMT_R5G6B5, D3DFMT_R5G6B5, true});
    Enumerate(FakeScript{{adapter}});
    DeviceSettings again;
    again.windowed = true;
    ASSERT_TRUE(enumeration.FindBestMode(again));
    EXPECT_EQ(again.backBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(again.width, 1280u);
    EXPECT_EQ(again.height, 720u);
    EXPECT_EQ(again.displayFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(again.depthStencilFormat, D3DFMT_D16);
}

TEST_F(DeviceSelectionTest, FullScreenWithoutSizeFlagTakesTheDesktopSizeAndRefresh) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    adapter.desktop = {1024, 768, 75, D3DFMT_X8R8G8B8};
    Enumerate(FakeScript{{adapter}});
    DeviceSettings settings;
    settings.width = 640;
    settings.height = 480;
    ASSERT_TRUE(enumeration.FindBestMode(settings));
    EXPECT_EQ(settings.width, 1024u);
    EXPECT_EQ(settings.height, 768u);
    EXPECT_EQ(settings.refreshRate, 75u);
    // A back buffer equal to the adapter format is an exact match.
    EXPECT_EQ(settings.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(settings.vertexProcessing, std::uint32_t(render::HARDWARE_VP));
    EXPECT_EQ(settings.presentInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

TEST_F(DeviceSelectionTest, SizeAndRefreshFlagsPickTheHighestMatchingRefresh) {
    EnumerateStandard();
    DeviceSettings settings;
    settings.flags = render::kMatchSize;
    settings.width = 800;
    settings.height = 600;
    ASSERT_TRUE(enumeration.FindBestMode(settings));
    EXPECT_EQ(settings.width, 800u);
    EXPECT_EQ(settings.refreshRate, 75u);

    DeviceSettings pinned;
    pinned.flags = render::kMatchSize | render::kMatchRefreshRate;
    pinned.width = 800;
    pinned.height = 600;
    pinned.refreshRate = 60;
    ASSERT_TRUE(enumeration.FindBestMode(pinned));
    EXPECT_EQ(pinned.refreshRate, 60u);

    DeviceSettings missing;
    missing.flags = render::kMatchSize;
    missing.width = 333;
    missing.height = 222;
    EXPECT_FALSE(enumeration.FindBestMode(missing));
}

TEST_F(DeviceSelectionTest, BackBufferDepthFlagPicksTheRequestedBitDepth) {
    EnumerateStandard();
    DeviceSettings sixteen;
    sixteen.flags = render::kMatchSize | render::kMatchBackBufferDepth;
    sixteen.width = 1024;
    sixteen.height = 768;
    sixteen.backBufferFormat = D3DFMT_X1R5G5B5;  // 16 bits, not offered itself
    ASSERT_TRUE(enumeration.FindBestMode(sixteen));
    EXPECT_EQ(sixteen.backBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(sixteen.displayFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(sixteen.depthStencilFormat, D3DFMT_D16) << "16-bit buffers prefer D16";

    DeviceSettings thirtyTwo = sixteen;
    thirtyTwo.backBufferFormat = D3DFMT_X8R8G8B8;
    ASSERT_TRUE(enumeration.FindBestMode(thirtyTwo));
    EXPECT_EQ(thirtyTwo.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(thirtyTwo.depthStencilFormat, D3DFMT_D32) << "32-bit buffers prefer D32";
}

TEST_F(DeviceSelectionTest, DepthFormatFallsBackToTheFirstOfEqualDepth) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    adapter.devices[0].depthFormats = {D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X8};
    Enumerate(FakeScript{{adapter}});
    DeviceSettings settings;
    ASSERT_TRUE(enumeration.FindBestMode(settings));
    // The candidates are tried in a fixed order: D24X8 comes before D24S8.
    EXPECT_EQ(settings.depthStencilFormat, D3DFMT_D24X8);

    DeviceSettings requested;
    requested.flags = render::kMatchDepthStencil;
    requested.depthStencilFormat = D3DFMT_D24S8;
    ASSERT_TRUE(enumeration.FindBestMode(requested));
    EXPECT_EQ(requested.depthStencilFormat, D3DFMT_D24S8);

    DeviceSettings absent;
    absent.flags = render::kMatchDepthStencil;
    absent.depthStencilFormat = D3DFMT_D15S1;
    ASSERT_TRUE(enumeration.FindBestMode(absent));
    EXPECT_EQ(absent.depthStencilFormat, D3DFMT_D24X8);
    absent.flags |= render::kStrict;
    absent.depthStencilFormat = D3DFMT_D15S1;
    EXPECT_FALSE(enumeration.FindBestMode(absent));
}

TEST_F(DeviceSelectionTest, MultisampleFallsBackOrClampsItsQuality) {
    struct Case {
        const char* name;
        std::vector<std::pair<D3DMULTISAMPLE_TYPE, DWORD>> offered;
        std::uint32_t flags;
        std::uint32_t quality;
        bool ok;
        D3DMULTISAMPLE_TYPE type;
        std::uint32_t chosenQuality;
    };
    const Case cases[] = {
        {"absent, not strict", {{0, 1}}, render::kMatchMultiSample, 0, true, 0, 0},
        {"absent, strict", {{0, 1}}, render::kMatchMultiSample | render::kStrict, 0, false, 0, 0},
        {"quality clamped", {{0, 1}, {2, 2}}, render::kMatchMultiSample, 5, true, 2, 1},
        {"quality too high, strict",
         {{0, 1}, {2, 2}},
         render::kMatchMultiSample | render::kStrict,
         2,
         false,
         0,
         0},
        {"quality fits, strict",
         {{0, 1}, {2, 2}},
         render::kMatchMultiSample | render::kStrict,
         1,
         true,
         2,
         1},
        {"flag not set", {{0, 1}, {2, 2}}, 0, 1, true, 0, 0},
    };
    for (const Case& c : cases) {
        FakeAdapter adapter = gfx::fake::StandardAdapter();
        adapter.devices[0].multiSample = c.offered;
        Enumerate(FakeScript{{adapter}});
        DeviceSettings settings;
        settings.flags = c.flags;
        settings.multiSampleType = D3DMULTISAMPLE_2_SAMPLES;
        settings.multiSampleQuality = c.quality;
        EXPECT_EQ(enumeration.FindBestMode(settings), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(settings.multiSampleType, c.type) << c.name;
            EXPECT_EQ(settings.multiSampleQuality, c.chosenQuality) << c.name;
        }
    }
}

TEST_F(DeviceSelectionTest, VertexProcessingAndPresentIntervalRequests) {
    FakeAdapter adapter = gfx::fake::StandardAdapter();
    Enumerate(FakeScript{{adapter}});
    DeviceSettings settings;
    settings.flags = render::kMatchVertexProcessing | render::kMatchPresentInterval;
    settings.vertexProcessing = render::SOFTWARE_VP;
    settings.presentInterval = D3DPRESENT_INTERVAL_ONE;
    ASSERT_TRUE(enumeration.FindBestMode(settings));
    EXPECT_EQ(settings.vertexProcessing, std::uint32_t(render::SOFTWARE_VP));
    EXPECT_EQ(settings.presentInterval, D3DPRESENT_INTERVAL_ONE);

    DeviceSettings unavailable;
    unavailable.flags = render::kMatchPresentInterval;
    unavailable.presentInterval = D3DPRESENT_INTERVAL_THREE;
    ASSERT_TRUE(enumeration.FindBestMode(unavailable));
    EXPECT_EQ(unavailable.presentInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    unavailable.flags |= render::kStrict;
    unavailable.presentInterval = D3DPRESENT_INTERVAL_THREE;
    EXPECT_FALSE(enumeration.FindBestMode(unavailable));

    adapter.devices[0].caps.DevCaps = 0;
    Enumerate(FakeScript{{adapter}});
    DeviceSettings software;
    ASSERT_TRUE(enumeration.FindBestMode(software));
    EXPECT_EQ(software.vertexProcessing, std::uint32_t(render::SOFTWARE_VP));
    software.flags = render::kMatchVertexProcessing | render::kStrict;
    software.vertexProcessing = render::HARDWARE_VP;
    EXPECT_FALSE(enumeration.FindBestMode(software));
}

TEST_F(DeviceSelectionTest, AdapterFlagLimitsTheSearch) {
    FakeAdapter first = gfx::fake::StandardAdapter();
    FakeAdapter second = gfx::fake::StandardAdapter();
    second.modes.push_back({2560, 1440, 60, D3DFMT_X8R8G8B8});
    Enumerate(FakeScript{{first, second}});
    DeviceSettings settings;
    settings.flags = render::kMatchAdapter | render::kMatchSize;
    settings.adapter = 1;
    settings.width = 2560;
    settings.height = 1440;
    ASSERT_TRUE(enumeration.FindBestMode(settings));
    EXPECT_EQ(settings.adapter, 1u);
    settings.adapter = 0;
    settings.width = 2560;
    settings.height = 1440;
    EXPECT_FALSE(enumeration.FindBestMode(settings));
}

TEST(FormatInfoTest, BitDepthsAlphaAndNames) {
    struct Case {
        D3DFORMAT format;
        std::uint32_t bits;
        bool alpha;
    };
    const Case cases[] = {
        {D3DFMT_R8G8B8, 24, false},
        {D3DFMT_A8R8G8B8, 32, true},
        {D3DFMT_X8R8G8B8, 32, false},
        {D3DFMT_R5G6B5, 16, false},
        {D3DFMT_A1R5G5B5, 16, true},
        {D3DFMT_A4R4G4B4, 16, true},
        {D3DFMT_D24S8, 32, false},
        {D3DFMT_D16, 16, false},
        {D3DFMT_A8, 8, true},
        {D3DFMT_DXT5, 0, false},
        {D3DFMT_A32B32G32R32F, 128, true},
        {D3DFMT_A16B16G16R16, 64, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(render::FormatBitDepth(c.format), c.bits) << c.format;
        EXPECT_EQ(render::FormatHasAlpha(c.format), c.alpha) << c.format;
    }
    EXPECT_EQ(render::FormatFromName("D3DFMT_A4R4G4B4"), D3DFMT_A4R4G4B4);
    EXPECT_EQ(render::FormatFromName("D3DFMT_R8G8B8"), D3DFMT_R8G8B8);
    EXPECT_EQ(render::FormatFromName("D3DFMT_DXT1"), 0u);
    EXPECT_EQ(render::FormatFromName("d3dfmt_a8r8g8b8"), 0u);
}

}  // namespace
