#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "shipped_settings.h"

#include "platform/fake/memory_registry.h"

namespace {

using platform::REG_BINARY;
using platform::REG_DWORD;
using platform::REG_SZ;
using platform::fake::MemoryRegistry;

const std::string kPath(app::kSettingsKeyPath);

std::vector<std::uint8_t> Dword(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

app::SaverSettings Shipped() {
    return app::test::ShippedSettings();
}

app::SaverSettings Unusual() {
    app::SaverSettings s;
    s.UseDesktop = false;
    s.ExitOnMM = true;
    s.ShowTime = false;
    s.TimeStyle = true;
    s.Music = false;
    s.Sound = true;
    s.Volume = 7;
    s.ShowFps = true;
    s.Gamma = -42;
    s.Adapter = 1;
    s.Width = 1920;
    s.Height = 1080;
    s.Depth = 16;
    s.PhotoPath = "/home/u/Pictures/cat \"fluffy\".png";
    return s;
}

TEST(SettingsStore, EmptyKeyLeavesEverythingAsItWas) {
    MemoryRegistry registry;
    app::SaverSettings settings = Shipped();
    EXPECT_TRUE(app::ReadPhotoPath(registry, settings.PhotoPath));
    EXPECT_TRUE(app::ReadBaseSettings(registry, settings));
    EXPECT_EQ(settings, Shipped());
    EXPECT_EQ(registry.stores, 0);
}

TEST(SettingsStore, WrittenSettingsReadBackEqual) {
    MemoryRegistry registry;
    const app::SaverSettings written = Unusual();
    ASSERT_TRUE(app::WritePhotoPath(registry, written.PhotoPath));
    ASSERT_TRUE(app::WriteBaseSettings(registry, written));
    app::SaverSettings read = Shipped();
    ASSERT_TRUE(app::ReadPhotoPath(registry, read.PhotoPath));
    ASSERT_TRUE(app::ReadBaseSettings(registry, read));
    EXPECT_EQ(read, written);
}

TEST(SettingsStore, WritesEveryFieldAsDwordInOrderAndThePathWithoutZero) {
    MemoryRegistry registry;
    app::SaverSettings settings = Unusual();
    settings.PhotoPath = "abc";
    ASSERT_TRUE(app::WritePhotoPath(registry, settings.PhotoPath));
    ASSERT_TRUE(app::WriteBaseSettings(registry, settings));
    const auto& values = registry.Values(kPath);
    const std::vector<std::string> order = {
        "PhotoPath", "UseDesktop", "ShowFps", "Width", "Height",   "Depth",    "Adapter",
        "Gamma",     "Volume",     "Music",   "Sound", "ExitOnMM", "ShowTime", "TimeStyle"};
    ASSERT_EQ(values.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(values[i].name, order[i]);
        EXPECT_EQ(values[i].type, i == 0 ? REG_SZ : REG_DWORD) << order[i];
    }
    EXPECT_EQ(values[0].data, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(registry.Get(kPath, "Gamma")->data, Dword(static_cast<std::uint32_t>(-42)));
    EXPECT_EQ(registry.Get(kPath, "ExitOnMM")->data, Dword(1));
    EXPECT_EQ(registry.Get(kPath, "Music")->data, Dword(0));
}

TEST(SettingsStore, NonZeroDwordIsTrue) {
    MemoryRegistry registry;
    registry.Put(kPath, "ShowFps", REG_DWORD, Dword(0x100));
    registry.Put(kPath, "UseDesktop", REG_DWORD, Dword(0));
    app::SaverSettings settings = Shipped();
    ASSERT_TRUE(app::ReadBaseSettings(registry, settings));
    EXPECT_TRUE(settings.ShowFps);
    EXPECT_FALSE(settings.UseDesktop);
}

TEST(SettingsStore, ValuesOfWrongTypeOrSizeAreIgnored) {
    MemoryRegistry registry;
    registry.Put(kPath, "Width", REG_SZ, {'1', '2', '8', '0'});
    registry.Put(kPath, "Height", REG_BINARY, Dword(720));
    registry.Put(kPath, "Depth", REG_DWORD, {16, 0});
    registry.Put(kPath, "Volume", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0});
    registry.Put(kPath, "Gamma", REG_DWORD, {});
    registry.Put(kPath, "Adapter", REG_DWORD, Dword(3));
    registry.Put(kPath, "PhotoPath", REG_DWORD, Dword(7));
    app::SaverSettings settings = Shipped();
    settings.PhotoPath = "kept";
    ASSERT_TRUE(app::ReadPhotoPath(registry, settings.PhotoPath));
    ASSERT_TRUE(app::ReadBaseSettings(registry, settings));
    app::SaverSettings expected = Shipped();
    expected.PhotoPath = "kept";
    expected.Adapter = 3;
    EXPECT_EQ(settings, expected);
}

TEST(SettingsStore, NumbersOutsideTheirRangeAreIgnored) {
    struct Case {
        const char* name;
        std::int32_t value;
        bool taken;
    };
    const Case cases[] = {
        {"Volume", 0, true},     {"Volume", 100, true},        {"Volume", 101, false},
        {"Volume", -1, false},   {"Gamma", -100, true},        {"Gamma", 100, true},
        {"Gamma", -101, false},  {"Gamma", INT32_MIN, false},  {"Adapter", 0, true},
        {"Adapter", 5, true},    {"Adapter", -1, false},       {"Width", 1, true},
        {"Width", 16384, true},  {"Width", 0, false},          {"Width", 16385, false},
        {"Height", -600, false}, {"Height", INT32_MAX, false}, {"Depth", 24, true},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        registry.Put(kPath, c.name, REG_DWORD, Dword(static_cast<std::uint32_t>(c.value)));
        app::SaverSettings settings = Shipped();
        settings.Adapter = 3;
        settings.Gamma = 7;
        ASSERT_TRUE(app::ReadBaseSettings(registry, settings));
        const std::string name = c.name;
        const std::int32_t read = name == "Volume"    ? settings.Volume
                                  : name == "Gamma"   ? settings.Gamma
                                  : name == "Adapter" ? settings.Adapter
                                  : name == "Width"   ? settings.Width
                                  : name == "Height"  ? settings.Height
                                                      : settings.Depth;
        const app::SaverSettings before = [] {
            app::SaverSettings b = Shipped();
            b.Adapter = 3;
            b.Gamma = 7;
            return b;
        }();
        if (c.taken) {
            EXPECT_EQ(read, c.value) << c.name << " " << c.value;
        } else {
            EXPECT_EQ(settings, before) << c.name << " " << c.value;
        }
    }
}

TEST(SettingsStore, PhotoPathUpTo256BytesIsReadLongerIsIgnored) {
    MemoryRegistry registry;
    std::string path;
    const std::string fits(256, 'x');
    registry.Put(kPath, "PhotoPath", REG_SZ, {fits.begin(), fits.end()});
    ASSERT_TRUE(app::ReadPhotoPath(registry, path));
    EXPECT_EQ(path, fits);

    const std::string tooLong(257, 'y');
    registry.Put(kPath, "PhotoPath", REG_SZ, {tooLong.begin(), tooLong.end()});
    path.clear();
    ASSERT_TRUE(app::ReadPhotoPath(registry, path));
    EXPECT_EQ(path, "");
}

TEST(SettingsStore, PhotoPathStopsAtAZeroByte) {
    MemoryRegistry registry;
    registry.Put(kPath, "PhotoPath", REG_SZ, {'/', 'a', 0, 'b'});
    std::string path;
    ASSERT_TRUE(app::ReadPhotoPath(registry, path));
    EXPECT_EQ(path, "/a");
}

TEST(SettingsStore, KeyThatCannotBeOpenedChangesNothing) {
    MemoryRegistry registry;
    registry.Put(kPath, "Width", REG_DWORD, Dword(1024));
    registry.Put(kPath, "PhotoPath", REG_SZ, {'p'});
    registry.failOpenForRead = true;
    app::SaverSettings settings = Shipped();
    EXPECT_FALSE(app::ReadPhotoPath(registry, settings.PhotoPath));
    EXPECT_FALSE(app::ReadBaseSettings(registry, settings));
    EXPECT_EQ(settings, Shipped());

    registry.failOpenForRead = false;
    registry.failOpenForWrite = true;
    EXPECT_FALSE(app::WritePhotoPath(registry, "q"));
    EXPECT_FALSE(app::WriteBaseSettings(registry, Unusual()));
    EXPECT_EQ(registry.stores, 0);
    EXPECT_EQ(registry.Get(kPath, "Width")->data, Dword(1024));
}

TEST(SettingsStore, StorageFailureIsReported) {
    MemoryRegistry registry;
    registry.failStore = true;
    EXPECT_FALSE(app::WritePhotoPath(registry, "q"));
    EXPECT_FALSE(app::WriteBaseSettings(registry, Unusual()));
    EXPECT_TRUE(registry.Values(kPath).empty());
}

TEST(SettingsStore, ReadingNeverStores) {
    MemoryRegistry registry;
    registry.Put(kPath, "Width", REG_DWORD, Dword(1024));
    app::SaverSettings settings;
    ASSERT_TRUE(app::ReadPhotoPath(registry, settings.PhotoPath));
    ASSERT_TRUE(app::ReadBaseSettings(registry, settings));
    EXPECT_EQ(registry.stores, 0);
}

}  // namespace
