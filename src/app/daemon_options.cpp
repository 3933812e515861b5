#include "app/daemon_options.h"

#include <string_view>

#include "platform/window_id.h"

namespace app {

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
            const auto id = value ? platform::ParseWindowId(value) : std::nullopt;
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
