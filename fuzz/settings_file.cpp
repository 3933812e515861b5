// The .reg settings file: whatever it holds, reading never fails hard, and what was read writes
// back and reads again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::string_view kKey = "Software\\Maravek Studio\\Zorvane";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto values = platform::linux_impl::ParseRegText(text, kKey);
    const auto again =
        platform::linux_impl::ParseRegText(platform::linux_impl::FormatRegText(values, kKey), kKey);
    if (again.size() != values.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (again[i].name != values[i].name || again[i].type != values[i].type ||
            again[i].data != values[i].data) {
            std::abort();
        }
    }
    return 0;
}
