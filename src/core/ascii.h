// ASCII-only case folding and hex digits: names, keys and switches compare without regard to the
// case of the ASCII letters alone, whatever code page the other bytes belong to.
#pragma once

#include <string>
#include <string_view>

namespace core {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// `text` with its ASCII capitals made small.
std::string AsciiLowered(std::string_view text);

bool AsciiEqualsIgnoringCase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace core
