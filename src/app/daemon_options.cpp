#include "app/daemon_options.h"

#include <charconv>
#include <string_view>

namespace app {
namespace {

// Decimal, or hexadecimal after "0x" as X11 tools print window ids; 0 is no window.
std::optional<std::uint64_t> ReadWindowId(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (error != std::errc() || end != text.data() + text.size() || id == 0) {
        return std::nullopt;
    }
    return id;
}

}  // namespace

DaemonOptions ReadDaemonOptions(int argc, const char* const* argv) {
    DaemonOptions options;
    for (int i = 1; i < argc && argv && argv[i]; ++i) {
        const std::string_view word = argv[i];
        const bool doubleDash = word.starts_with("--");
        if (!doubleDash && !word.starts_with("-")) {
            continue;
        }
        const std::string_view name = word.substr(doubleDash ? 2 : 1);
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (name == "root") {
            options.fullScreen = true;
        } else if (name == "window-id") {
            const auto id = value ? ReadWindowId(value) : std::nullopt;
            if (!id) {
                options.usageError = std::string(word) + " needs a window id (decimal or 0x hex)";
                return options;
            }
            options.fullScreen = true;
            options.windowId = id;
            ++i;
        } else if (name == "fps") {
            options.showFrameRate = true;
        } else if (name == "visual") {
            if (!value) {
                options.usageError = std::string(word) + " needs a visual";
                return options;
            }
            ++i;
        } else if (name == "install") {
            // The daemon's request for a private colour map; a true-colour GL window needs none.
        } else if (doubleDash && word != "--help" && word != "--version") {
            options.usageError = "unknown option " + std::string(word);
            return options;
        }
    }
    return options;
}

}  // namespace app
