// The user-interface texts carried as resource "CustomData" 194: key lines "#key#" each followed
// by their value line, all Windows-1251.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resources.h"

namespace app {

inline constexpr std::uint32_t kTextTableResourceId = 194;

class TextTable {
public:
    static constexpr std::size_t kMaxLines = 200;

    // Reads resource "CustomData" 194; false (and an empty table) when there is none.
    bool Load(const platform::Resources& resources);

    // Replaces the table with the lines of `text`; lines past the two hundredth are dropped.
    void Parse(std::span<const std::uint8_t> text);

    // The value of `key` (ASCII case ignored), or an empty text when the table has none.
    std::string GetText(std::string_view key) const;

    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

inline constexpr std::size_t kAboutLineCount = 7;

// Splits a text at its '%' marks into the about box's seven lines; marks past the sixth are
// dropped and the rest of the text stays on the seventh line.
std::array<std::string, kAboutLineCount> SplitAboutText(std::string_view text);

}  // namespace app
