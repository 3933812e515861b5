// The options an X11 screen-saver daemon hands its hacks (xscreensaver 5 spells them with one
// dash, version 6 with two), read beside the Windows switches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace app {

struct DaemonOptions {
    // -root or -window-id: the daemon starts the saver full screen.
    bool fullScreen = false;
    // -window-id ID: the window to draw into.
    std::optional<std::uint64_t> windowId;
    // -fps: the frame rate is shown whatever the settings say.
    bool showFrameRate = false;
    // Set when the line cannot be run: an unknown "--" option, or an option without its value.
    std::string usageError;
};

// Reads argv[1..]: root, window-id ID, fps, install and visual ID (the last two accepted and
// ignored) with one dash or two. Other one-dash words stay Windows switches; other "--" words
// are usage errors.
DaemonOptions ReadDaemonOptions(int argc, const char* const* argv);

}  // namespace app
