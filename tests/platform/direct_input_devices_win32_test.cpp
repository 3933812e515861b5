// DirectInput 8 devices on Windows: keys and clicks typed into the focused saver window arrive as
// buffered items in DIK_* codes and DIMOFS_* offsets with their "data pending" notification, and
// bad requests fail quietly.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/dik_codes.h"
#include "platform/input_devices.h"
#include "platform/window.h"
#include "platform/win32/win32_api.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint32_t kForeground = platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND;

struct Fixture {
    std::unique_ptr<platform::Window> window;
    std::unique_ptr<platform::InputDevices> devices;
    HWND hwnd = nullptr;

    Fixture() {
        platform::WindowDesc desc;
        desc.kind = platform::WindowKind::Popup;
        desc.rect = {0, 0, 640, 480};
        window = platform::CreateNativeWindow(desc, nullptr);
        if (window) {
            hwnd = reinterpret_cast<HWND>(window->Handle());
            Pump(200ms);
        }
        devices = platform::CreateInputDevices();
    }

    // Keeps the window's queue moving, as the saver's loop does, for a while.
    void Pump(std::chrono::milliseconds time) {
        const auto end = Clock::now() + time;
        platform::Message m;
        while (Clock::now() < end) {
            while (window->PeekMessage(m)) {
                window->DispatchMessage(m);
            }
            Sleep(5);
        }
    }

    std::unique_ptr<platform::InputDevice> Device(platform::InputDeviceKind kind) {
        auto device = devices->CreateDevice(kind);
        if (device && device->SetCooperativeLevel(window->Handle(), kForeground) &&
            device->SetBufferSize(platform::kMaxBufferedItems) &&
            device->SetEventNotification(true)) {
            return device;
        }
        return nullptr;
    }

    // Pumps until the device signals pending data, then takes every item it has.
    std::vector<platform::DeviceObjectData> ItemsOf(platform::InputDevice& device) {
        std::vector<platform::DeviceObjectData> all;
        const auto end = Clock::now() + 3s;
        while (Clock::now() < end && !device.TakeNotification()) {
            Pump(10ms);
        }
        Pump(50ms);
        std::array<platform::DeviceObjectData, platform::kMaxBufferedItems> items;
        std::size_t count = 0;
        if (platform::Succeeded(device.GetDeviceData(items, count))) {
            all.assign(items.begin(), items.begin() + count);
        }
        return all;
    }
};

void SendKey(WORD virtualKey, WORD scan, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scan;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void SendClick(int x, int y) {
    SetCursorPos(x, y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
}

TEST(DirectInputDevices, KeyTypedIntoTheFocusedWindowArrivesAsBufferedItems) {
    Fixture f;
    ASSERT_NE(f.window, nullptr);
    ASSERT_NE(f.devices, nullptr) << "dinput8.dll did not load";
    auto keyboard = f.Device(platform::InputDeviceKind::Keyboard);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(keyboard->Acquire(), platform::InputResult::Ok);
    EXPECT_FALSE(keyboard->TakeNotification());

    SendKey(VK_ESCAPE, 0x01, false);
    SendKey(VK_ESCAPE, 0x01, true);
    const auto items = f.ItemsOf(*keyboard);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].offset, platform::DIK_ESCAPE);
    EXPECT_EQ(items[0].data & 0x80, 0x80u);
    EXPECT_EQ(items[1].offset, platform::DIK_ESCAPE);
    EXPECT_EQ(items[1].data & 0x80, 0u);
    EXPECT_LT(items[0].sequence, items[1].sequence);

    // The state is one byte per key code.
    std::array<std::uint8_t, platform::kKeyboardStateSize> state{};
    EXPECT_EQ(keyboard->GetDeviceState(std::uint32_t(state.size()), state.data()),
              platform::InputResult::Ok);
    EXPECT_EQ(state[platform::DIK_ESCAPE] & 0x80, 0);
}

TEST(DirectInputDevices, ClickIntoTheWindowArrivesAsAButtonItem) {
    Fixture f;
    ASSERT_NE(f.window, nullptr);
    ASSERT_NE(f.devices, nullptr);
    auto mouse = f.Device(platform::InputDeviceKind::Mouse);
    ASSERT_NE(mouse, nullptr);
    ASSERT_EQ(mouse->Acquire(), platform::InputResult::Ok);

    SendClick(300, 200);
    const auto items = f.ItemsOf(*mouse);
    std::vector<std::uint32_t> buttonData;
    for (const auto& item : items) {
        if (item.offset == platform::DIMOFS_BUTTON0) {
            buttonData.push_back(item.data & 0x80);
        }
    }
    ASSERT_EQ(buttonData.size(), 2u);
    EXPECT_EQ(buttonData[0], 0x80u);
    EXPECT_EQ(buttonData[1], 0u);

    platform::MouseState state;
    EXPECT_EQ(mouse->GetDeviceState(sizeof state, &state), platform::InputResult::Ok);
    std::int32_t x = 0, y = 0;
    ASSERT_TRUE(f.devices->GetCursorPos(f.window->Handle(), x, y));
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
}

TEST(DirectInputDevices, UnacquiredDeviceReportsNothing) {
    Fixture f;
    ASSERT_NE(f.window, nullptr);
    ASSERT_NE(f.devices, nullptr);
    auto keyboard = f.Device(platform::InputDeviceKind::Keyboard);
    ASSERT_NE(keyboard, nullptr);
    std::array<platform::DeviceObjectData, 4> items;
    std::size_t count = 7;
    EXPECT_EQ(keyboard->GetDeviceData(items, count), platform::InputResult::NotAcquired);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(keyboard->Acquire(), platform::InputResult::Ok);
    keyboard->Unacquire();
    SendKey(VK_SPACE, 0x39, false);
    SendKey(VK_SPACE, 0x39, true);
    f.Pump(200ms);
    EXPECT_FALSE(keyboard->TakeNotification());
    EXPECT_EQ(keyboard->GetDeviceData(items, count), platform::InputResult::NotAcquired);
}

TEST(DirectInputDevices, BadRequestsFailQuietly) {
    Fixture f;
    ASSERT_NE(f.window, nullptr);
    ASSERT_NE(f.devices, nullptr);
    auto keyboard = f.devices->CreateDevice(platform::InputDeviceKind::Keyboard);
    ASSERT_NE(keyboard, nullptr);
    // Exclusive and non-exclusive at once, or a window that is none.
    EXPECT_FALSE(keyboard->SetCooperativeLevel(
        f.window->Handle(), platform::DISCL_EXCLUSIVE | platform::DISCL_NONEXCLUSIVE |
                                platform::DISCL_FOREGROUND));
    EXPECT_FALSE(keyboard->SetCooperativeLevel(0x7FFF1234, kForeground));
    ASSERT_TRUE(keyboard->SetCooperativeLevel(f.window->Handle(), kForeground));
    ASSERT_EQ(keyboard->Acquire(), platform::InputResult::Ok);

    std::array<std::uint8_t, platform::kKeyboardStateSize> state{};
    EXPECT_EQ(keyboard->GetDeviceState(16, state.data()), platform::InputResult::InvalidParam);
    EXPECT_EQ(keyboard->GetDeviceState(std::uint32_t(state.size()), nullptr),
              platform::InputResult::InvalidParam);
    std::size_t count = 0;
    EXPECT_TRUE(platform::Succeeded(keyboard->GetDeviceData({}, count)));
    EXPECT_EQ(count, 0u);
    // No buffer was asked for: items are not kept.
    EXPECT_FALSE(keyboard->TakeNotification());

    std::int32_t width = 0, height = 0, x = 0, y = 0;
    EXPECT_FALSE(f.devices->GetClientSize(0x7FFF1234, width, height));
    EXPECT_FALSE(f.devices->GetCursorPos(0x7FFF1234, x, y));
    ASSERT_TRUE(f.devices->GetClientSize(f.window->Handle(), width, height));
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
}

TEST(DirectInputDevices, ForegroundKeyboardLosesItsInputWithTheFocus) {
    Fixture f;
    ASSERT_NE(f.window, nullptr);
    ASSERT_NE(f.devices, nullptr);
    auto keyboard = f.Device(platform::InputDeviceKind::Keyboard);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(keyboard->Acquire(), platform::InputResult::Ok);

    // Another program's window comes to the front.
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0,
                                 200, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    f.Pump(200ms);
    std::array<std::uint8_t, platform::kKeyboardStateSize> state{};
    const auto lost = keyboard->GetDeviceState(std::uint32_t(state.size()), state.data());
    EXPECT_TRUE(lost == platform::InputResult::InputLost ||
                lost == platform::InputResult::NotAcquired);
    EXPECT_NE(keyboard->Acquire(), platform::InputResult::Ok);

    // Back in front, it is acquired again.
    DestroyWindow(other);
    SetForegroundWindow(f.hwnd);
    f.Pump(200ms);
    EXPECT_EQ(keyboard->Acquire(), platform::InputResult::Ok);
}

}  // namespace
