// The desktop's screen-saver state while this saver runs.
#pragma once

namespace platform {

// While set, the desktop's own blanking is held off. A saver handed its window by a screen-saver
// daemon leaves activation to the daemon and changes nothing.
void SetScreenSaverRunning(bool running);

// Lowers the calling thread to the least scheduling priority (the preview runs there).
void SetIdlePriority();

}  // namespace platform
