// Requests from outside to end the process (SIGTERM, SIGINT). Caught, they reach the program as a
// close of its window or the cancel of its dialog, so every mode ends through its own shutdown.
#pragma once

namespace platform {

// Catches the requests from now on (once; later calls do nothing). Before the display starts, so
// the display library keeps its own handlers away.
void CatchTerminationRequests();

// True from the first caught request on.
bool TerminationRequested();

}  // namespace platform
