#include "app/settings_store.h"

#include <cstdint>

#include "core/trace.h"

namespace app {

namespace {

using platform::RegistryAccess;

// What the rest of the program can work with. A stored number outside its range is ignored like
// one of the wrong type: a hand-edited adapter of -1 must not become an index.
struct Range {
    std::int32_t low = INT32_MIN;
    std::int32_t high = INT32_MAX;
};

constexpr Range kAny{};
constexpr Range kScreenSize{1, 16384};

// The base values in the order they are read and written.
template <typename Settings, typename Visit>
void ForEachBaseValue(Settings& s, Visit&& visit) {
    visit("UseDesktop", s.UseDesktop, kAny);
    visit("ShowFps", s.ShowFps, kAny);
    visit("Width", s.Width, kScreenSize);
    visit("Height", s.Height, kScreenSize);
    visit("Depth", s.Depth, kAny);
    visit("Adapter", s.Adapter, Range{0, INT32_MAX});
    visit("Gamma", s.Gamma, Range{-100, 100});
    visit("Volume", s.Volume, Range{0, 100});
    visit("Music", s.Music, kAny);
    visit("Sound", s.Sound, kAny);
    visit("ExitOnMM", s.ExitOnMM, kAny);
    visit("ShowTime", s.ShowTime, kAny);
    visit("TimeStyle", s.TimeStyle, kAny);
}

void Assign(bool& field, std::uint32_t value, Range) {
    field = value != 0;
}

void Assign(std::int32_t& field, std::uint32_t value, Range range) {
    const auto number = static_cast<std::int32_t>(value);
    if (number >= range.low && number <= range.high) {
        field = number;
    }
}

std::uint32_t AsDword(bool field) {
    return field ? 1u : 0u;
}

std::uint32_t AsDword(std::int32_t field) {
    return static_cast<std::uint32_t>(field);
}

}  // namespace

bool ReadPhotoPath(platform::Registry& registry, std::string& photoPath) {
    auto key = registry.CreateKey(kSettingsKeyPath, RegistryAccess::Read);
    if (!key) {
        core::Trace("Registry Failed\n");
        return false;
    }
    std::string stored;
    if (platform::QueryString(*key, "PhotoPath", stored, kPhotoPathCapacity)) {
        photoPath = std::move(stored);
    }
    key->Close();
    return true;
}

bool ReadBaseSettings(platform::Registry& registry, SaverSettings& settings) {
    auto key = registry.CreateKey(kSettingsKeyPath, RegistryAccess::Read);
    if (!key) {
        return false;
    }
    ForEachBaseValue(settings, [&key](std::string_view name, auto& field, Range range) {
        std::uint32_t value = 0;
        if (platform::QueryDword(*key, name, value)) {
            Assign(field, value, range);
        }
    });
    key->Close();
    return true;
}

bool WritePhotoPath(platform::Registry& registry, const std::string& photoPath) {
    auto key = registry.CreateKey(kSettingsKeyPath, RegistryAccess::Write);
    if (!key) {
        return false;
    }
    const bool set = platform::SetString(*key, "PhotoPath", photoPath);
    return key->Close() && set;
}

bool WriteBaseSettings(platform::Registry& registry, const SaverSettings& settings) {
    auto key = registry.CreateKey(kSettingsKeyPath, RegistryAccess::Write);
    if (!key) {
        return false;
    }
    bool set = true;
    ForEachBaseValue(settings, [&key, &set](std::string_view name, const auto& field, Range) {
        set = platform::SetDword(*key, name, AsDword(field)) && set;
    });
    return key->Close() && set;
}

}  // namespace app
