// Starting SDL's video for the saver, and the window a screen-saver daemon may hand us.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_impl {

// The window a daemon named on the command line, or else the window id in XSCREENSAVER_WINDOW
// ("0x..." hex or decimal), when it holds one.
std::optional<std::uint64_t> DaemonWindow();
void SetDaemonWindow(std::uint64_t id);

// Why the display could not be opened, in the user's words.
std::string NoDisplayReason();
// A native window that is not there, as a user would read it.
std::string MissingWindowReason(std::uint64_t id);

// Hints SDL reads when its video starts or an event arrives; StartSdlVideo sets them too. SDL
// holds the desktop's blanking off whenever its video starts unless told otherwise, so it is
// told to leave it alone unless `holdOffBlanking` asks for it without a daemon's window (the
// daemon decides about activation then).
void SetSdlHints(bool holdOffBlanking);

// Starts SDL's video (once; later calls only report), with the hints last set (blanking allowed
// when none were).
bool StartSdlVideo();

}  // namespace platform::linux_impl
