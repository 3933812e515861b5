// StyleKey: what text asks the font store for: a size, bold and italic, and a font name.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

namespace text {

inline constexpr std::uint32_t kStyleBold = 0x1;
inline constexpr std::uint32_t kStyleItalic = 0x2;

struct StyleKey {
    std::int32_t size = 14;
    std::uint32_t flags = 0;
    // The font name as the font file spells it (Windows-1251); keys compare it byte for byte.
    std::string fontName;

    friend bool operator==(const StyleKey&, const StyleKey&) = default;
    // The store keeps its styles ordered by size first.
    friend bool operator<(const StyleKey& a, const StyleKey& b) {
        return std::tie(a.size, a.flags, a.fontName) < std::tie(b.size, b.flags, b.fontName);
    }
};

}  // namespace text
