#include "core/ascii.h"

#include <algorithm>

namespace core {

std::string AsciiLowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        c = AsciiLower(c);
    }
    return lowered;
}

bool AsciiEqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

}  // namespace core
