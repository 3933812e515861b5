// The desktop's screen-saver state while this saver runs.
#pragma once

namespace platform {

// While set, the desktop's own blanking is held off. A saver handed its window by a screen-saver
// daemon leaves activation to the daemon and changes nothing.
void SetScreenSaverRunning(bool running);

// Settings that must be in place before the display or the graphics driver is first used: the
// driver keeps its caches in memory (a run leaves no file behind), and with a daemon's window the
// desktop's blanking stays the daemon's business.
void PrepareProcess();

// Lowers the calling thread to the least scheduling priority (the preview runs there).
void SetIdlePriority();

}  // namespace platform
