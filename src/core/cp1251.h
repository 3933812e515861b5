// Windows-1251, the code page of every text resource, to and from UTF-8 (what GTK shows).
#pragma once

#include <string>
#include <string_view>

namespace core {

std::string Cp1251ToUtf8(std::string_view text);

// Characters without a Windows-1251 form, and malformed UTF-8, become '?'.
std::string Utf8ToCp1251(std::string_view text);

}  // namespace core
