// Native window ids as X11 tools print them and screen-saver daemons hand them over.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// Decimal, or hexadecimal after "0x"; nothing for any other text or for 0, which is no window.
std::optional<std::uint64_t> ParseWindowId(std::string_view text);

}  // namespace platform
