// SDL events built by hand and sent through the event hub, as the window pump sends them; no
// display and no SDL_Init are needed for that.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "platform/dik_codes.h"
#include "platform/input_devices.h"
#include "platform/linux/sdl_event_hub.h"

namespace {

using platform::DeviceObjectData;
using platform::InputDeviceKind;
using platform::InputResult;

constexpr std::uint32_t kForeground = platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND;

std::unique_ptr<platform::InputDevice> Ready(platform::InputDevices& devices, InputDeviceKind kind,
                                             std::uint32_t flags = kForeground) {
    auto device = devices.CreateDevice(kind);
    EXPECT_NE(device, nullptr);
    EXPECT_TRUE(device->SetCooperativeLevel(1, flags));
    EXPECT_TRUE(device->SetBufferSize(platform::kMaxBufferedItems));
    EXPECT_TRUE(device->SetEventNotification(true));
    EXPECT_EQ(device->Acquire(), InputResult::Ok);
    return device;
}

std::vector<DeviceObjectData> Drain(platform::InputDevice& device) {
    std::array<DeviceObjectData, 64> items{};
    std::size_t count = 0;
    if (!platform::Succeeded(device.GetDeviceData(items, count))) {
        return {};
    }
    return {items.begin(), items.begin() + std::ptrdiff_t(count)};
}

void Key(SDL_Scancode scancode, bool down, Uint32 time = 0, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.timestamp = time;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    platform::linux_impl::DispatchSdlEvent(e);
}

void Motion(int x, int y, int xrel, int yrel, Uint32 time = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.timestamp = time;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    platform::linux_impl::DispatchSdlEvent(e);
}

void Button(Uint8 button, bool down, Uint32 time = 0) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.timestamp = time;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    platform::linux_impl::DispatchSdlEvent(e);
}

void Wheel(int y, bool flipped) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    platform::linux_impl::DispatchSdlEvent(e);
}

void Window(SDL_WindowEventID id, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    e.window.data1 = data1;
    e.window.data2 = data2;
    platform::linux_impl::DispatchSdlEvent(e);
}

struct KeyCase {
    SDL_Scancode scancode;
    std::uint32_t dik;
};

TEST(SdlInputDevices, ScancodesBecomeDirectInputKeyCodes) {
    const KeyCase cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},
        {SDL_SCANCODE_1, 0x02},
        {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_Q, 0x10},
        {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_M, 0x32},
        {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_BACKSPACE, 0x0E},
        {SDL_SCANCODE_F1, 0x3B},
        {SDL_SCANCODE_F2, 0x3C},
        {SDL_SCANCODE_F3, 0x3D},
        {SDL_SCANCODE_F6, 0x40},
        {SDL_SCANCODE_F10, 0x44},
        {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_F12, 0x58},
        {SDL_SCANCODE_LCTRL, 0x1D},
        {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_LSHIFT, 0x2A},
        {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LALT, 0x38},
        {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_LGUI, 0xDB},
        {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},
        {SDL_SCANCODE_PAGEUP, 0xC9},
        {SDL_SCANCODE_PAGEDOWN, 0xD1},
        {SDL_SCANCODE_HOME, 0xC7},
        {SDL_SCANCODE_END, 0xCF},
        {SDL_SCANCODE_INSERT, 0xD2},
        {SDL_SCANCODE_DELETE, 0xD3},
        {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_KP_0, 0x52},
        {SDL_SCANCODE_KP_7, 0x47},
        {SDL_SCANCODE_KP_PERIOD, 0x53},
        {SDL_SCANCODE_GRAVE, 0x29},
        {SDL_SCANCODE_PRINTSCREEN, 0xB7},
        {SDL_SCANCODE_PAUSE, 0xC5},
        {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
        {SDL_SCANCODE_APPLICATION, 0xDD},
    };
    auto devices = platform::CreateInputDevices();
    auto keyboard = Ready(*devices, InputDeviceKind::Keyboard);
    for (const auto& c : cases) {
        Key(c.scancode, true, 7);
        Key(c.scancode, false, 8);
        const auto items = Drain(*keyboard);
        ASSERT_EQ(items.size(), 2u) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(items[0].offset, c.dik) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(items[0].data, 0x80u);
        EXPECT_EQ(items[0].timeStamp, 7u);
        EXPECT_EQ(items[1].offset, c.dik);
        EXPECT_EQ(items[1].data, 0u);
    }
}

TEST(SdlInputDevices, RepeatsAndUnmappedKeysGiveNoItems) {
    auto devices = platform::CreateInputDevices();
    auto keyboard = Ready(*devices, InputDeviceKind::Keyboard);
    Key(SDL_SCANCODE_A, true);
    Key(SDL_SCANCODE_A, true, 0, true);
    Key(SDL_SCANCODE_UNKNOWN, true);
    Key(SDL_Scancode(SDL_NUM_SCANCODES + 5), true);
    EXPECT_EQ(Drain(*keyboard).size(), 1u);

    std::array<std::uint8_t, platform::kKeyboardStateSize> state{};
    ASSERT_EQ(keyboard->GetDeviceState(std::uint32_t(state.size()), state.data()), InputResult::Ok);
    EXPECT_EQ(state[platform::DIK_A], 0x80);
    EXPECT_EQ(state[platform::DIK_B], 0);
}

TEST(SdlInputDevices, MouseEventsBecomeAxisButtonAndWheelItems) {
    auto devices = platform::CreateInputDevices();
    auto mouse = Ready(*devices, InputDeviceKind::Mouse);
    auto keyboard = Ready(*devices, InputDeviceKind::Keyboard);
    Motion(40, 30, 4, -3, 11);
    Motion(40, 35, 0, 5, 12);
    Button(SDL_BUTTON_LEFT, true);
    Button(SDL_BUTTON_RIGHT, true);
    Button(SDL_BUTTON_MIDDLE, false);
    Button(SDL_BUTTON_X2, true);  // no fifth button in the state
    Wheel(1, false);
    Wheel(2, true);

    const auto items = Drain(*mouse);
    struct Expected {
        std::uint32_t offset;
        std::int32_t data;
    };
    const Expected expected[] = {
        {platform::DIMOFS_X, 4},          {platform::DIMOFS_Y, -3},
        {platform::DIMOFS_Y, 5},          {platform::DIMOFS_BUTTON0, 0x80},
        {platform::DIMOFS_BUTTON1, 0x80}, {platform::DIMOFS_BUTTON2, 0},
        {platform::DIMOFS_Z, 120},        {platform::DIMOFS_Z, -240},
    };
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].offset, expected[i].offset) << i;
        EXPECT_EQ(std::int32_t(items[i].data), expected[i].data) << i;
    }
    EXPECT_EQ(items[0].timeStamp, 11u);
    EXPECT_TRUE(Drain(*keyboard).empty());

    platform::MouseState state;
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), InputResult::Ok);
    EXPECT_EQ(state.lX, 4);
    EXPECT_EQ(state.lY, 2);
    EXPECT_EQ(state.lZ, -120);
    EXPECT_EQ(state.rgbButtons[0], 0x80);

    // The cursor follows the pointer in client coordinates; no motion, no axis item.
    Motion(70, 20, 0, 0);
    EXPECT_TRUE(Drain(*mouse).empty());
    std::int32_t x = 0;
    std::int32_t y = 0;
    ASSERT_TRUE(devices->GetCursorPos(1, x, y));
    EXPECT_EQ(x, 70);
    EXPECT_EQ(y, 20);
}

TEST(SdlInputDevices, FocusLossLosesForegroundDevices) {
    auto devices = platform::CreateInputDevices();
    auto foreground = Ready(*devices, InputDeviceKind::Keyboard);
    auto background = Ready(*devices, InputDeviceKind::Mouse,
                            platform::DISCL_NONEXCLUSIVE | platform::DISCL_BACKGROUND);
    Key(SDL_SCANCODE_A, true);
    Button(SDL_BUTTON_LEFT, true);
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    std::array<DeviceObjectData, 4> items{};
    std::size_t count = 0;
    EXPECT_EQ(foreground->GetDeviceData(items, count), InputResult::InputLost);
    EXPECT_EQ(Drain(*background).size(), 1u);
}

TEST(SdlInputDevices, ClientSizeFollowsResizesWithoutVideo) {
    auto devices = platform::CreateInputDevices();
    std::int32_t w = 0;
    std::int32_t h = 0;
    Window(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600);
    ASSERT_TRUE(devices->GetClientSize(1, w, h));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
}

TEST(SdlInputDevices, EventsAfterTheDevicesAreGoneAreHarmless) {
    auto devices = platform::CreateInputDevices();
    auto keyboard = Ready(*devices, InputDeviceKind::Keyboard);
    auto mouse = Ready(*devices, InputDeviceKind::Mouse);
    keyboard.reset();
    Key(SDL_SCANCODE_A, true);
    Button(SDL_BUTTON_LEFT, true);
    EXPECT_EQ(Drain(*mouse).size(), 1u);
    devices.reset();  // the device outlives its maker
    Button(SDL_BUTTON_LEFT, false);
    EXPECT_TRUE(Drain(*mouse).empty());
    mouse.reset();
}

}  // namespace
