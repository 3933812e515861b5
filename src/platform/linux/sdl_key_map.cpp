#include "platform/linux/sdl_key_map.h"

#include "platform/window_messages.h"

namespace platform::linux_impl {
namespace {

constexpr std::uint32_t kUnnamedKey = 0xFF;

struct KeyPair {
    SDL_Keycode sdl;
    std::uint32_t vk;
};

// Keys whose SDL code is not a letter, digit or function key.
constexpr KeyPair kKeyTable[] = {
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},
    {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_LGUI, VK_LWIN},
    {SDLK_RGUI, VK_RWIN},
    {SDLK_KP_0, VK_NUMPAD0},
    {SDLK_KP_1, VK_NUMPAD0 + 1},
    {SDLK_KP_2, VK_NUMPAD0 + 2},
    {SDLK_KP_3, VK_NUMPAD0 + 3},
    {SDLK_KP_4, VK_NUMPAD0 + 4},
    {SDLK_KP_5, VK_NUMPAD0 + 5},
    {SDLK_KP_6, VK_NUMPAD0 + 6},
    {SDLK_KP_7, VK_NUMPAD0 + 7},
    {SDLK_KP_8, VK_NUMPAD0 + 8},
    {SDLK_KP_9, VK_NUMPAD0 + 9},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_SEMICOLON, 0xBA},  // VK_OEM_1
    {SDLK_EQUALS, 0xBB},     // VK_OEM_PLUS
    {SDLK_COMMA, 0xBC},      // VK_OEM_COMMA
    {SDLK_MINUS, 0xBD},      // VK_OEM_MINUS
    {SDLK_PERIOD, 0xBE},     // VK_OEM_PERIOD
    {SDLK_SLASH, 0xBF},      // VK_OEM_2
    {SDLK_BACKQUOTE, 0xC0},  // VK_OEM_3
    {SDLK_LEFTBRACKET, 0xDB},
    {SDLK_BACKSLASH, 0xDC},
    {SDLK_RIGHTBRACKET, 0xDD},
    {SDLK_QUOTE, 0xDE},
};

}  // namespace

std::uint32_t VirtualKeyFromSdl(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + std::uint32_t(key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + std::uint32_t(key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return VK_F1 + std::uint32_t(key - SDLK_F1);
    }
    if (key >= SDLK_F13 && key <= SDLK_F24) {
        return VK_F12 + 1 + std::uint32_t(key - SDLK_F13);
    }
    for (const auto& pair : kKeyTable) {
        if (pair.sdl == key) {
            return pair.vk;
        }
    }
    return kUnnamedKey;
}

bool IsSystemKey(SDL_Keycode key, std::uint16_t modifiers) {
    return key == SDLK_LALT || key == SDLK_RALT || key == SDLK_F10 || (modifiers & KMOD_ALT) != 0;
}

}  // namespace platform::linux_impl
