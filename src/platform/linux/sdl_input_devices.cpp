// Input devices fed by SDL2 events: keys become DirectInput key codes through a table, pointer
// motion becomes relative axis items, buttons and the wheel become button and wheel items.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "platform/buffered_input_device.h"
#include "platform/dik_codes.h"
#include "platform/input_devices.h"
#include "platform/linux/sdl_event_hub.h"

namespace platform {
namespace {

struct ScancodeDik {
    SDL_Scancode scancode;
    std::uint32_t dik;
};

constexpr ScancodeDik kScancodeDik[] = {
    {SDL_SCANCODE_A, DIK_A},
    {SDL_SCANCODE_B, DIK_B},
    {SDL_SCANCODE_C, DIK_C},
    {SDL_SCANCODE_D, DIK_D},
    {SDL_SCANCODE_E, DIK_E},
    {SDL_SCANCODE_F, DIK_F},
    {SDL_SCANCODE_G, DIK_G},
    {SDL_SCANCODE_H, DIK_H},
    {SDL_SCANCODE_I, DIK_I},
    {SDL_SCANCODE_J, DIK_J},
    {SDL_SCANCODE_K, DIK_K},
    {SDL_SCANCODE_L, DIK_L},
    {SDL_SCANCODE_M, DIK_M},
    {SDL_SCANCODE_N, DIK_N},
    {SDL_SCANCODE_O, DIK_O},
    {SDL_SCANCODE_P, DIK_P},
    {SDL_SCANCODE_Q, DIK_Q},
    {SDL_SCANCODE_R, DIK_R},
    {SDL_SCANCODE_S, DIK_S},
    {SDL_SCANCODE_T, DIK_T},
    {SDL_SCANCODE_U, DIK_U},
    {SDL_SCANCODE_V, DIK_V},
    {SDL_SCANCODE_W, DIK_W},
    {SDL_SCANCODE_X, DIK_X},
    {SDL_SCANCODE_Y, DIK_Y},
    {SDL_SCANCODE_Z, DIK_Z},
    {SDL_SCANCODE_1, DIK_1},
    {SDL_SCANCODE_2, DIK_2},
    {SDL_SCANCODE_3, DIK_3},
    {SDL_SCANCODE_4, DIK_4},
    {SDL_SCANCODE_5, DIK_5},
    {SDL_SCANCODE_6, DIK_6},
    {SDL_SCANCODE_7, DIK_7},
    {SDL_SCANCODE_8, DIK_8},
    {SDL_SCANCODE_9, DIK_9},
    {SDL_SCANCODE_0, DIK_0},
    {SDL_SCANCODE_RETURN, DIK_RETURN},
    {SDL_SCANCODE_ESCAPE, DIK_ESCAPE},
    {SDL_SCANCODE_BACKSPACE, DIK_BACK},
    {SDL_SCANCODE_TAB, DIK_TAB},
    {SDL_SCANCODE_SPACE, DIK_SPACE},
    {SDL_SCANCODE_MINUS, DIK_MINUS},
    {SDL_SCANCODE_EQUALS, DIK_EQUALS},
    {SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET},
    {SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH},
    {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH},  // the same key position on ISO keyboards
    {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, DIK_GRAVE},
    {SDL_SCANCODE_COMMA, DIK_COMMA},
    {SDL_SCANCODE_PERIOD, DIK_PERIOD},
    {SDL_SCANCODE_SLASH, DIK_SLASH},
    {SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL},
    {SDL_SCANCODE_F1, DIK_F1},
    {SDL_SCANCODE_F2, DIK_F2},
    {SDL_SCANCODE_F3, DIK_F3},
    {SDL_SCANCODE_F4, DIK_F4},
    {SDL_SCANCODE_F5, DIK_F5},
    {SDL_SCANCODE_F6, DIK_F6},
    {SDL_SCANCODE_F7, DIK_F7},
    {SDL_SCANCODE_F8, DIK_F8},
    {SDL_SCANCODE_F9, DIK_F9},
    {SDL_SCANCODE_F10, DIK_F10},
    {SDL_SCANCODE_F11, DIK_F11},
    {SDL_SCANCODE_F12, DIK_F12},
    {SDL_SCANCODE_F13, DIK_F13},
    {SDL_SCANCODE_F14, DIK_F14},
    {SDL_SCANCODE_F15, DIK_F15},
    {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
    {SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL},
    {SDL_SCANCODE_PAUSE, DIK_PAUSE},
    {SDL_SCANCODE_INSERT, DIK_INSERT},
    {SDL_SCANCODE_HOME, DIK_HOME},
    {SDL_SCANCODE_PAGEUP, DIK_PRIOR},
    {SDL_SCANCODE_DELETE, DIK_DELETE},
    {SDL_SCANCODE_END, DIK_END},
    {SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
    {SDL_SCANCODE_RIGHT, DIK_RIGHT},
    {SDL_SCANCODE_LEFT, DIK_LEFT},
    {SDL_SCANCODE_DOWN, DIK_DOWN},
    {SDL_SCANCODE_UP, DIK_UP},
    {SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK},
    {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD},
    {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
    {SDL_SCANCODE_KP_1, DIK_NUMPAD1},
    {SDL_SCANCODE_KP_2, DIK_NUMPAD2},
    {SDL_SCANCODE_KP_3, DIK_NUMPAD3},
    {SDL_SCANCODE_KP_4, DIK_NUMPAD4},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5},
    {SDL_SCANCODE_KP_6, DIK_NUMPAD6},
    {SDL_SCANCODE_KP_7, DIK_NUMPAD7},
    {SDL_SCANCODE_KP_8, DIK_NUMPAD8},
    {SDL_SCANCODE_KP_9, DIK_NUMPAD9},
    {SDL_SCANCODE_KP_0, DIK_NUMPAD0},
    {SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL},
    {SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS},
    {SDL_SCANCODE_KP_COMMA, DIK_NUMPADCOMMA},
    {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
    {SDL_SCANCODE_APPLICATION, DIK_APPS},
    {SDL_SCANCODE_POWER, DIK_POWER},
    {SDL_SCANCODE_SLEEP, DIK_SLEEP},
    {SDL_SCANCODE_MUTE, DIK_MUTE},
    {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP},
    {SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN},
    {SDL_SCANCODE_INTERNATIONAL1, DIK_ABNT_C1},
    {SDL_SCANCODE_INTERNATIONAL2, DIK_KANA},
    {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN},
    {SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT},
    {SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT},
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL},
    {SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
    {SDL_SCANCODE_LALT, DIK_LMENU},
    {SDL_SCANCODE_LGUI, DIK_LWIN},
    {SDL_SCANCODE_RCTRL, DIK_RCONTROL},
    {SDL_SCANCODE_RSHIFT, DIK_RSHIFT},
    {SDL_SCANCODE_RALT, DIK_RMENU},
    {SDL_SCANCODE_RGUI, DIK_RWIN},
    {SDL_SCANCODE_AUDIONEXT, DIK_NEXTTRACK},
    {SDL_SCANCODE_AUDIOPREV, DIK_PREVTRACK},
    {SDL_SCANCODE_AUDIOSTOP, DIK_MEDIASTOP},
    {SDL_SCANCODE_AUDIOPLAY, DIK_PLAYPAUSE},
    {SDL_SCANCODE_MEDIASELECT, DIK_MEDIASELECT},
    {SDL_SCANCODE_MAIL, DIK_MAIL},
    {SDL_SCANCODE_CALCULATOR, DIK_CALCULATOR},
    {SDL_SCANCODE_COMPUTER, DIK_MYCOMPUTER},
    {SDL_SCANCODE_AC_SEARCH, DIK_WEBSEARCH},
    {SDL_SCANCODE_AC_HOME, DIK_WEBHOME},
    {SDL_SCANCODE_AC_BACK, DIK_WEBBACK},
    {SDL_SCANCODE_AC_FORWARD, DIK_WEBFORWARD},
    {SDL_SCANCODE_AC_STOP, DIK_WEBSTOP},
    {SDL_SCANCODE_AC_REFRESH, DIK_WEBREFRESH},
    {SDL_SCANCODE_AC_BOOKMARKS, DIK_WEBFAVORITES},
};

// 0 for the scancodes a PC keyboard has no key code for.
std::uint32_t DikFromScancode(SDL_Scancode scancode) {
    static const auto table = [] {
        std::array<std::uint8_t, SDL_NUM_SCANCODES> t{};
        for (const auto& entry : kScancodeDik) {
            t[entry.scancode] = std::uint8_t(entry.dik);
        }
        return t;
    }();
    return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? table[scancode] : 0;
}

// SDL's buttons in DirectInput's order: left, right, middle, then the first side button.
int ButtonIndex(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT:
            return 0;
        case SDL_BUTTON_RIGHT:
            return 1;
        case SDL_BUTTON_MIDDLE:
            return 2;
        case SDL_BUTTON_X1:
            return 3;
        default:
            return -1;
    }
}

// One notch of the wheel, as Windows counts it.
constexpr std::int32_t kWheelDelta = 120;

class SdlInputDevices final : public InputDevices {
public:
    SdlInputDevices() : live_(std::make_shared<std::vector<BufferedInputDevice*>>()) {
        listenerId_ = linux_impl::AddSdlEventListener([this](const SDL_Event& e) { OnEvent(e); });
    }

    ~SdlInputDevices() override {
        linux_impl::RemoveSdlEventListener(listenerId_);
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            for (SDL_Cursor* cursor : {arrow_, blank_}) {
                if (cursor) {
                    SDL_FreeCursor(cursor);
                }
            }
        }
    }

    std::unique_ptr<InputDevice> CreateDevice(InputDeviceKind kind) override {
        // The list outlives both sides, so a device released after us forgets itself safely.
        auto device = std::make_unique<BufferedInputDevice>(
            kind, [live = live_](BufferedInputDevice* d) { std::erase(*live, d); });
        live_->push_back(device.get());
        return device;
    }

    bool GetCursorPos(WindowHandle, std::int32_t& x, std::int32_t& y) override {
        if (cursorKnown_) {
            x = cursorX_;
            y = cursorY_;
            return true;
        }
        if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GetMouseFocus()) {
            return false;
        }
        int mx = 0;
        int my = 0;
        SDL_GetMouseState(&mx, &my);
        x = mx;
        y = my;
        return true;
    }

    bool GetClientSize(WindowHandle window, std::int32_t& width, std::int32_t& height) override {
        // A window handle is the SDL window's id.
        SDL_Window* w = SDL_WasInit(SDL_INIT_VIDEO) && window <= UINT32_MAX
                            ? SDL_GetWindowFromID(Uint32(window))
                            : nullptr;
        if (w) {
            int cw = 0;
            int ch = 0;
            SDL_GetWindowSize(w, &cw, &ch);
            width = cw;
            height = ch;
            return true;
        }
        if (sizeKnown_) {
            width = width_;
            height = height_;
            return true;
        }
        return false;
    }

    void SetCursor(CursorShape shape) override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            return;
        }
        if (shape == CursorShape::Arrow) {
            if (!arrow_) {
                arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
            }
            if (arrow_) {
                SDL_SetCursor(arrow_);
            }
            return;
        }
        if (!blank_) {
            // A fully transparent cursor: hiding it through SDL_ShowCursor belongs to the window.
            static const Uint8 kZeros[8] = {};
            blank_ = SDL_CreateCursor(kZeros, kZeros, 8, 8, 0, 0);
        }
        if (blank_) {
            SDL_SetCursor(blank_);
        }
    }

private:
    void OnEvent(const SDL_Event& e);

    template <typename F>
    void ForEach(InputDeviceKind kind, F f) {
        const auto devices = *live_;
        for (auto* device : devices) {
            if (device->Kind() == kind) {
                f(*device);
            }
        }
    }

    std::shared_ptr<std::vector<BufferedInputDevice*>> live_;
    int listenerId_ = 0;
    bool cursorKnown_ = false;
    std::int32_t cursorX_ = 0;
    std::int32_t cursorY_ = 0;
    bool sizeKnown_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* blank_ = nullptr;
};

void SdlInputDevices::OnEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Held keys repeat as events; a device reports only the change.
            if (e.key.repeat) {
                break;
            }
            const std::uint32_t dik = DikFromScancode(e.key.keysym.scancode);
            if (dik == 0) {
                break;
            }
            const bool down = e.type == SDL_KEYDOWN;
            ForEach(InputDeviceKind::Keyboard,
                    [&](BufferedInputDevice& d) { d.KeyChanged(dik, down, e.key.timestamp); });
            break;
        }
        case SDL_MOUSEMOTION:
            cursorKnown_ = true;
            cursorX_ = e.motion.x;
            cursorY_ = e.motion.y;
            ForEach(InputDeviceKind::Mouse, [&](BufferedInputDevice& d) {
                d.AxisMoved(DIMOFS_X, e.motion.xrel, e.motion.timestamp);
                d.AxisMoved(DIMOFS_Y, e.motion.yrel, e.motion.timestamp);
            });
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            cursorKnown_ = true;
            cursorX_ = e.button.x;
            cursorY_ = e.button.y;
            const int button = ButtonIndex(e.button.button);
            if (button < 0) {
                break;
            }
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            ForEach(InputDeviceKind::Mouse, [&](BufferedInputDevice& d) {
                d.ButtonChanged(button, down, e.button.timestamp);
            });
            break;
        }
        case SDL_MOUSEWHEEL: {
            std::int32_t delta = e.wheel.y * kWheelDelta;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
                delta = -delta;
            }
            ForEach(InputDeviceKind::Mouse, [&](BufferedInputDevice& d) {
                d.AxisMoved(DIMOFS_Z, delta, e.wheel.timestamp);
            });
            break;
        }
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                ForEach(InputDeviceKind::Keyboard, [](BufferedInputDevice& d) { d.FocusLost(); });
                ForEach(InputDeviceKind::Mouse, [](BufferedInputDevice& d) { d.FocusLost(); });
            } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                sizeKnown_ = true;
                width_ = e.window.data1;
                height_ = e.window.data2;
            }
            break;
        default:
            break;
    }
}

}  // namespace

std::unique_ptr<InputDevices> CreateInputDevices() {
    return std::make_unique<SdlInputDevices>();
}

}  // namespace platform
