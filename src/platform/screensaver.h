// The desktop's screen-saver state while this saver runs.
#pragma once

#include <cstdint>

namespace platform {

// Whether this process holds the desktop's own blanking off while it runs: only the full-screen
// saver does. A preview or the settings dialog must leave the desktop to blank as it likes.
enum class DesktopBlanking { Allowed, HeldOff };

// While set, the desktop's own blanking is held off. A saver handed its window by a screen-saver
// daemon leaves activation to the daemon and changes nothing.
void SetScreenSaverRunning(bool running);

// Settings that must be in place before the display or the graphics driver is first used: the
// driver keeps its caches in memory (a run leaves no file behind); the display library leaves the
// desktop's blanking alone unless `blanking` holds it off (and never with a daemon's window); and
// a request to end the process arrives as a message, not as the end of the process.
void PrepareProcess(DesktopBlanking blanking);

// Full screen draws into this native window from now on, as when a screen-saver daemon hands one
// over through the environment.
void UseDaemonWindow(std::uint64_t windowId);

// Lowers the calling thread to the least scheduling priority (the preview runs there).
void SetIdlePriority();

}  // namespace platform
