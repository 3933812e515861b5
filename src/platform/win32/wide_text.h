// Texts between our UTF-8 and what Windows takes: UTF-16 for the W functions, the ANSI code page
// for the A functions. Malformed UTF-8 becomes U+FFFD, characters the code page lacks '?'.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);

}  // namespace platform::win32
