// SDL key codes to Windows virtual keys, for the window pump.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform::linux_impl {

// The virtual key of an SDL key code; keys Windows has no name for give 0xFF (still a key).
std::uint32_t VirtualKeyFromSdl(SDL_Keycode key);

// Keys that Windows delivers as system keys (WM_SYSKEYDOWN): Alt and F10, and every key while
// Alt is held.
bool IsSystemKey(SDL_Keycode key, std::uint16_t modifiers);

}  // namespace platform::linux_impl
