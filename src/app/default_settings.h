// The table of settings defaults carried as resource "CustomData" 193 (def_settings.txt).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/saver_settings.h"
#include "platform/message_box.h"
#include "platform/resources.h"

namespace app {

inline constexpr std::uint32_t kDefaultSettingsResourceId = 193;

class DefaultSettings {
public:
    static constexpr std::size_t kMaxPairs = 100;

    // Complaints about the table (a line without '=', a key not found) go to `messageBox`.
    explicit DefaultSettings(platform::MessageBox& messageBox = platform::MessageBox::System());

    // Reads resource "CustomData" 193; false (and an empty table) when there is none.
    bool Load(const platform::Resources& resources);

    // Replaces the table with the pairs of a Windows-1251 text; pairs past the hundredth are
    // dropped.
    void Parse(std::span<const std::uint8_t> text);

    // The value of the first pair whose name equals `key` without regard to ASCII case. Empty
    // (after a message box) when there is none.
    std::string GetDefault(std::string_view key) const;

    // Fills every field of `settings` except PhotoPath from the table.
    void LoadDefaults(SaverSettings& settings) const;

    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

private:
    platform::MessageBox* messageBox_;
    std::vector<std::pair<std::string, std::string>> pairs_;
};

// "true" gives 1, "false" 0, anything else the value of its leading decimal digits (0 without).
std::int32_t DefaultValueToInt(std::string_view value);

}  // namespace app
