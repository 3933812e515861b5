#include "app/settings_store.h"

#include <cstdint>

#include "core/trace.h"

namespace app {

namespace {

using platform::RegistryAccess;

// The base values in the order they are read and written.
template <typename Settings, typename Visit>
void ForEachBaseValue(Settings& s, Visit&& visit) {
    visit("UseDesktop", s.UseDesktop);
    visit("ShowFps", s.ShowFps);
    visit("Width", s.Width);
    visit("Height", s.Height);
    visit("Depth", s.Depth);
    visit("Adapter", s.Adapter);
    visit("Gamma", s.Gamma);
    visit("Volume", s.Volume);
    visit("Music", s.Music);
    visit("Sound", s.Sound);
    visit("ExitOnMM", s.ExitOnMM);
    visit("ShowTime", s.ShowTime);
    visit("TimeStyle", s.TimeStyle);
}

void Assign(bool& field, std::uint32_t value) {
    field = value != 0;
}
void Assign(std::int32_t& field, std::uint32_t value) {
    field = static_cast<std::int32_t>(value);
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
    ForEachBaseValue(settings, [&key](std::string_view name, auto& field) {
        std::uint32_t value = 0;
        if (platform::QueryDword(*key, name, value)) {
            Assign(field, value);
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
    ForEachBaseValue(settings, [&key, &set](std::string_view name, const auto& field) {
        set = platform::SetDword(*key, name, AsDword(field)) && set;
    });
    return key->Close() && set;
}

}  // namespace app
