// The Windows side of requests to end the process, for the window that turns them into messages.
#pragma once

namespace platform::win32_impl {

// A request that arrived as a window message (the session ends) rather than from the console.
void NoteTerminationRequest();

}  // namespace platform::win32_impl
