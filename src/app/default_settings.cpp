#include "app/default_settings.h"

#include "core/ascii.h"
#include "core/cp1251.h"

namespace app {

namespace {

// "неправильный формат файла def_settings.txt" and "Не найден параметр в файле def_settings.txt",
// in Windows-1251 like the table itself.
constexpr std::string_view kBadLineText =
    "\xED\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 "
    "\xF4\xE0\xE9\xEB\xE0 def_settings.txt";
constexpr std::string_view kMissingKeyText =
    "\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE2 "
    "\xF4\xE0\xE9\xEB\xE5 def_settings.txt";

// Drops every character whose code is 32 or less, then cuts at the first ';'.
std::string CleanLine(std::string_view raw) {
    std::string line;
    line.reserve(raw.size());
    for (char c : raw) {
        if (static_cast<unsigned char>(c) > 32) {
            line += c;
        }
    }
    const auto comment = line.find(';');
    if (comment != std::string::npos) {
        line.resize(comment);
    }
    return line;
}

}  // namespace

DefaultSettings::DefaultSettings(platform::MessageBox& messageBox) : messageBox_(&messageBox) {}

bool DefaultSettings::Load(const platform::Resources& resources) {
    pairs_.clear();
    const auto bytes = resources.Find("CustomData", kDefaultSettingsResourceId);
    if (!bytes) {
        return false;
    }
    Parse(*bytes);
    return true;
}

void DefaultSettings::Parse(std::span<const std::uint8_t> bytes) {
    pairs_.clear();
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t pos = 0;
    while (pos < text.size() && pairs_.size() < kMaxPairs) {
        // Only a carriage return ends a line; a line feed right after it belongs to the break.
        std::size_t end = text.find('\r', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string line = CleanLine(text.substr(pos, end - pos));
        pos = end + 1;
        if (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
        if (line.empty()) {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            messageBox_->Show(0, core::Cp1251ToUtf8(kBadLineText), "", platform::MB_OK);
            pairs_.emplace_back(line, line);
            continue;
        }
        pairs_.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
}

std::string DefaultSettings::GetDefault(std::string_view key) const {
    const std::string folded = core::AsciiLowered(key);
    for (const auto& [name, value] : pairs_) {
        if (core::AsciiLowered(name) == folded) {
            return value;
        }
    }
    messageBox_->Show(0, core::Cp1251ToUtf8(kMissingKeyText), core::Cp1251ToUtf8(folded),
                      platform::MB_OK);
    return {};
}

std::int32_t DefaultValueToInt(std::string_view value) {
    if (value == "true") {
        return 1;
    }
    if (value == "false") {
        return 0;
    }
    // Leading digits, as atoi reads them; a number past 32 bits stops growing at the limit.
    std::int64_t number = 0;
    for (std::size_t i = 0; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        number = number * 10 + (value[i] - '0');
        if (number > INT32_MAX) {
            return INT32_MAX;
        }
    }
    return static_cast<std::int32_t>(number);
}

void DefaultSettings::LoadDefaults(SaverSettings& settings) const {
    auto number = [this](std::string_view key) { return DefaultValueToInt(GetDefault(key)); };
    auto flag = [&number](std::string_view key) { return number(key) != 0; };

    settings.TimeStyle = flag("DigClock_24H");
    settings.ExitOnMM = flag("ExitOnMouseMove");
    settings.Gamma = number("GammControl") - 100;
    settings.Height = number("MH");
    settings.Width = number("MW");
    settings.Music = flag("Music");
    settings.Volume = number("MusicVolume");
    settings.ShowFps = flag("ShowFPS");
    settings.ShowTime = flag("ShowTime");
    settings.UseDesktop = flag("UseDktpSet");
    settings.Adapter = number("Adapter");
    settings.Depth = number("MBitCount");
    settings.Sound = flag("SFX");
}

}  // namespace app
