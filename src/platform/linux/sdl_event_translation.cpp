#include "platform/linux/sdl_event_translation.h"

#include "platform/linux/sdl_key_map.h"

namespace platform::linux_impl {
namespace {

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr int WHEEL_DELTA = 120;

WPARAM MouseKeys() {
    const std::uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
    const SDL_Keymod mods = SDL_GetModState();
    WPARAM keys = 0;
    keys |= (buttons & SDL_BUTTON_LMASK) ? MK_LBUTTON : 0;
    keys |= (buttons & SDL_BUTTON_RMASK) ? MK_RBUTTON : 0;
    keys |= (buttons & SDL_BUTTON_MMASK) ? MK_MBUTTON : 0;
    keys |= (mods & KMOD_SHIFT) ? MK_SHIFT : 0;
    keys |= (mods & KMOD_CTRL) ? MK_CONTROL : 0;
    return keys;
}

// Key messages carry a repeat count of 1 and, for repeats, the "was down" bit 30.
LPARAM KeyParam(const SDL_KeyboardEvent& key, bool down) {
    LPARAM param = 1 | (LPARAM(key.keysym.scancode & 0xFF) << 16);
    if (key.repeat || !down) {
        param |= LPARAM(1) << 30;
    }
    if (!down) {
        param |= LPARAM(1) << 31;
    }
    return param;
}

std::uint32_t ButtonMessage(std::uint8_t button, bool down) {
    switch (button) {
        case SDL_BUTTON_LEFT:
            return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        case SDL_BUTTON_RIGHT:
            return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        case SDL_BUTTON_MIDDLE:
            return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        default:
            return 0;
    }
}

// Decodes one UTF-8 sequence at `text`; returns its length (at least 1 for any byte).
int DecodeUtf8(const char* text, std::uint32_t& code) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    int length = 1;
    if (s[0] < 0x80) {
        code = s[0];
    } else if ((s[0] & 0xE0) == 0xC0) {
        code = s[0] & 0x1F;
        length = 2;
    } else if ((s[0] & 0xF0) == 0xE0) {
        code = s[0] & 0x0F;
        length = 3;
    } else if ((s[0] & 0xF8) == 0xF0) {
        code = s[0] & 0x07;
        length = 4;
    } else {
        code = '?';
        return 1;
    }
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            code = '?';
            return i;
        }
        code = (code << 6) | (s[i] & 0x3F);
    }
    return length;
}

void TranslateWindowEvent(const SDL_WindowEvent& e, WindowHandle window,
                          std::vector<Message>& out) {
    switch (e.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.push_back({window, WM_ACTIVATE, WA_ACTIVE, 0});
            out.push_back({window, WM_SETFOCUS, 0, 0});
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out.push_back({window, WM_ACTIVATE, WA_INACTIVE, 0});
            out.push_back({window, WM_KILLFOCUS, 0, 0});
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.push_back({window, WM_SIZE, SIZE_RESTORED, PackPoint(e.data1, e.data2)});
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            out.push_back({window, WM_SIZE, SIZE_MINIMIZED, 0});
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            out.push_back({window, WM_PAINT, 0, 0});
            break;
        case SDL_WINDOWEVENT_CLOSE:
            out.push_back({window, WM_CLOSE, 0, 0});
            break;
        default:
            break;
    }
}

}  // namespace

LPARAM PackPoint(int x, int y) {
    return LPARAM((std::uint32_t(y) & 0xFFFF) << 16 | (std::uint32_t(x) & 0xFFFF));
}

void TranslateSdlEvent(const SDL_Event& event, WindowHandle window, std::vector<Message>& out) {
    switch (event.type) {
        case SDL_QUIT:
            // The session asks us to go (a signal, the display closing): as closing the window.
            out.push_back({window, WM_CLOSE, 0, 0});
            break;
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event.window, window, out);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = event.type == SDL_KEYDOWN;
            const SDL_Keysym& key = event.key.keysym;
            const bool system = IsSystemKey(key.sym, key.mod);
            const std::uint32_t message =
                system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
            out.push_back({window, message, VirtualKeyFromSdl(key.sym), KeyParam(event.key, down)});
            break;
        }
        case SDL_TEXTINPUT:
            for (const char* p = event.text.text; *p;) {
                std::uint32_t code = 0;
                p += DecodeUtf8(p, code);
                out.push_back({window, WM_CHAR, code, 1});
            }
            break;
        case SDL_MOUSEMOTION:
            out.push_back(
                {window, WM_MOUSEMOVE, MouseKeys(), PackPoint(event.motion.x, event.motion.y)});
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const std::uint32_t message =
                ButtonMessage(event.button.button, event.type == SDL_MOUSEBUTTONDOWN);
            if (message) {
                out.push_back(
                    {window, message, MouseKeys(), PackPoint(event.button.x, event.button.y)});
            }
            break;
        }
        case SDL_MOUSEWHEEL: {
            int x = 0;
            int y = 0;
            SDL_GetMouseState(&x, &y);
            const auto delta = static_cast<std::uint16_t>(event.wheel.y * WHEEL_DELTA);
            out.push_back(
                {window, WM_MOUSEWHEEL, (WPARAM(delta) << 16) | MouseKeys(), PackPoint(x, y)});
            break;
        }
        default:
            break;
    }
}

}  // namespace platform::linux_impl
