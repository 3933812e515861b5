// SDL events to the Windows messages a window procedure expects.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/window.h"

namespace platform::linux_impl {

// Appends the messages `event` means for `window` (none for events a window never sees).
void TranslateSdlEvent(const SDL_Event& event, WindowHandle window, std::vector<Message>& out);

// MAKELPARAM(x, y): x in the low word, y in the high word, each cut to 16 bits.
LPARAM PackPoint(int x, int y);

}  // namespace platform::linux_impl
