// Starting SDL's video for the saver, and the window a screen-saver daemon may hand us.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::linux_impl {

// The window id in XSCREENSAVER_WINDOW ("0x..." hex or decimal), when it holds one.
std::optional<std::uint64_t> DaemonWindow();
std::optional<std::uint64_t> ParseWindowId(std::string_view text);

// Hints SDL reads when its video starts or an event arrives; StartSdlVideo sets them too.
void SetSdlHints();

// Starts SDL's video (once; later calls only report). With a daemon's window the desktop's
// blanking is the daemon's business, so SDL is told to leave it alone before it starts.
bool StartSdlVideo();

}  // namespace platform::linux_impl
