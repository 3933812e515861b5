#include "input/input_manager.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/dik_codes.h"

namespace input {
namespace {

using platform::DeviceObjectData;
using platform::InputDevice;
using platform::InputResult;

// A read that finds the device's acquisition lost acquires it again and retries once.
template <typename Read>
bool ReadWithRetry(InputDevice& device, Read read) {
    InputResult result = read();
    if (result == InputResult::InputLost) {
        device.Acquire();
        result = read();
    }
    return platform::Succeeded(result);
}

bool Configure(InputDevice& device, platform::WindowHandle window, std::uint32_t flags) {
    return device.SetCooperativeLevel(window, flags) &&
           device.SetBufferSize(platform::kMaxBufferedItems) && device.SetEventNotification(true);
}

// Message coordinates are signed 16-bit values, as the pointer may lie left of or above the window.
std::int32_t SignedWord(std::uint32_t word) {
    return std::int16_t(std::uint16_t(word));
}

std::int32_t ClampAxis(float value, std::int32_t size) {
    return std::clamp(std::int32_t(value), 0, std::max(size - 1, 0));
}

}  // namespace

InputManager::InputManager(platform::InputDevices* devices, core::IntervalTimer::Clock clock)
    : devices_(devices), pollTimer_(clock) {}

InputManager::~InputManager() {
    ReleaseDevices();
}

void InputManager::ReleaseDevices() {
    for (auto* device : {keyboard_.get(), mouse_.get()}) {
        if (device) {
            device->Unacquire();
        }
    }
    keyboard_.reset();
    mouse_.reset();
}

void InputManager::AcquireDevices() {
    for (auto* device : {keyboard_.get(), mouse_.get()}) {
        if (device) {
            device->Acquire();
        }
    }
}

bool InputManager::Initialise(platform::WindowHandle window, bool cursorMode,
                              std::uint32_t keyboardFlags, std::uint32_t mouseFlags) {
    ReleaseDevices();
    window_ = window;
    cursorMode_ = cursorMode;
    if (!devices_) {
        return false;
    }
    if (!devices_->GetClientSize(window, clientWidth_, clientHeight_)) {
        clientWidth_ = clientHeight_ = 0;
    }
    devices_->SetCursor(platform::CursorShape::Arrow);

    // Start from where the pointer rests, so the first mouse message is not taken for a move.
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    if (cursorMode && devices_->GetCursorPos(window, cx, cy)) {
        x_ = previousX_ = float(cx);
        y_ = previousY_ = float(cy);
    }

    keyboard_ = devices_->CreateDevice(platform::InputDeviceKind::Keyboard);
    if (!keyboard_ || !Configure(*keyboard_, window, keyboardFlags)) {
        ReleaseDevices();
        return false;
    }
    mouse_ = devices_->CreateDevice(platform::InputDeviceKind::Mouse);
    if (!mouse_ || !Configure(*mouse_, window, mouseFlags)) {
        ReleaseDevices();
        return false;
    }
    AcquireDevices();
    return true;
}

void InputManager::Poll(std::int64_t period) {
    if (!pollTimer_.Elapsed(period)) {
        return;
    }
    ReadMouse();
    ReadKeyboard();
}

bool InputManager::ReadMouse() {
    if (!mouse_) {
        return false;
    }
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    if (cursorMode_ && devices_->GetCursorPos(window_, cx, cy)) {
        x_ = float(cx);
        y_ = float(cy);
    }
    platform::MouseState state;
    const bool read =
        ReadWithRetry(*mouse_, [&] { return mouse_->GetDeviceState(sizeof(state), &state); });
    if (read) {
        mouseState_ = state;
        if (!cursorMode_) {
            x_ += float(state.lX) / sensitivity_;
            y_ += float(state.lY) / sensitivity_;
        }
    }
    Clamp();
    return read;
}

bool InputManager::ReadKeyboard() {
    if (!keyboard_) {
        return false;
    }
    std::array<std::uint8_t, platform::kKeyboardStateSize> state{};
    if (!ReadWithRetry(*keyboard_, [&] {
            return keyboard_->GetDeviceState(std::uint32_t(state.size()), state.data());
        })) {
        return false;
    }
    std::memcpy(keyState_, state.data(), state.size());
    return true;
}

void InputManager::Clamp() {
    x_ = float(ClampAxis(x_, clientWidth_));
    y_ = float(ClampAxis(y_, clientHeight_));
}

void InputManager::Deliver() {
    // Like a wait on both notifications that returns the first signalled one: a pending mouse
    // notification stays set for the next call.
    if (keyboard_ && keyboard_->TakeNotification()) {
        DeliverKeyboard();
    } else if (mouse_ && mouse_->TakeNotification()) {
        DeliverMouse();
    }
}

std::size_t InputManager::ReadItems(platform::InputDevice& device,
                                    std::span<platform::DeviceObjectData> items) {
    std::size_t count = 0;
    if (!ReadWithRetry(device, [&] {
            count = 0;
            return device.GetDeviceData(items, count);
        })) {
        return 0;
    }
    return std::min(count, items.size());
}

void InputManager::DeliverKeyboard() {
    std::array<DeviceObjectData, platform::kMaxBufferedItems> items;
    const std::size_t count = ReadItems(*keyboard_, items);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& item = items[i];
        if (item.offset >= platform::kKeyboardStateSize) {
            continue;
        }
        const bool down = (item.data & 0x80) != 0;
        keyState_[item.offset] = down ? 0x80 : 0;
        InputEvent event;
        event.type = down ? kKeyDown : kKeyUp;
        event.code = std::int32_t(item.offset);
        Send(event);
    }
}

void InputManager::DeliverMouse() {
    std::array<DeviceObjectData, platform::kMaxBufferedItems> items;
    const std::size_t count = ReadItems(*mouse_, items);
    bool axisSent = false;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& item = items[i];
        switch (item.offset) {
            case platform::DIMOFS_X:
            case platform::DIMOFS_Y:
                // The position was already taken by Poll; one event per batch is enough.
                if (!axisSent) {
                    axisSent = true;
                    SendPosition(cursorMode_ ? kMouseAxis : kMouseMove);
                }
                break;
            case platform::DIMOFS_BUTTON0:
                ButtonItem(0, item);
                break;
            case platform::DIMOFS_BUTTON1:
                ButtonItem(1, item);
                break;
            default:
                break;
        }
    }
}

void InputManager::ButtonItem(int button, const DeviceObjectData& item) {
    static constexpr std::int32_t kDown[2] = {kLeftButtonDown, kRightButtonDown};
    static constexpr std::int32_t kUp[2] = {kLeftButtonUp, kRightButtonUp};
    static constexpr std::int32_t kDouble[2] = {kLeftDoubleClick, kRightDoubleClick};

    if (item.data & 0x80) {
        SendPosition(kDown[button]);
        return;
    }
    SendPosition(kUp[button]);
    auto& clicks = clicks_[button];
    // Unsigned difference: the item clock wraps.
    if (clicks.releases == 1 && item.timeStamp - clicks.lastRelease <= kDoubleClickMilliseconds) {
        clicks.releases = 0;
        SendPosition(kDouble[button]);
        return;
    }
    clicks.releases = 1;
    clicks.lastRelease = item.timeStamp;
}

void InputManager::SendPosition(std::int32_t type) {
    InputEvent event;
    event.type = type;
    event.x = std::int32_t(x_);
    event.y = std::int32_t(y_);
    event.previousX = std::int32_t(previousX_);
    event.previousY = std::int32_t(previousY_);
    event.mappedX = ClampAxis(x_, clientWidth_);
    event.mappedY = ClampAxis(y_, clientHeight_);
    if (type == kMouseMove) {
        previousX_ = x_;
        previousY_ = y_;
    }
    Send(event);
}

bool InputManager::KeyDown(std::uint32_t dik) const {
    return dik < platform::kKeyboardStateSize && (keyState_[dik] & 0x80) != 0;
}

void InputManager::AddListener(InputListener* listener) {
    if (listener) {
        listeners_.push_back(listener);
    }
}

void InputManager::RemoveListener(InputListener* listener) {
    std::erase(listeners_, listener);
}

void InputManager::Send(const InputEvent& event) {
    // A copy, so a listener may add or remove listeners while it is called.
    const auto listeners = listeners_;
    for (auto* listener : listeners) {
        listener->OnInputEvent(event);
    }
}

bool InputManager::HandleWindowMessage(std::uint32_t message, platform::WPARAM wParam,
                                       platform::LPARAM lParam) {
    switch (message) {
        case platform::WM_SETCURSOR:
            if (windowed_ || cursorMode_) {
                if (devices_) {
                    devices_->SetCursor(platform::CursorShape::Arrow);
                }
                return false;
            }
            if (devices_) {
                devices_->SetCursor(platform::CursorShape::None);
            }
            return true;
        case platform::WM_SETFOCUS: {
            AcquireDevices();
            focus_ = true;
            InputEvent event;
            event.type = kFocusGained;
            Send(event);
            return false;
        }
        case platform::WM_KILLFOCUS:
            focus_ = false;
            for (auto* device : {keyboard_.get(), mouse_.get()}) {
                if (device) {
                    device->Unacquire();
                }
            }
            return false;
        case platform::WM_CHAR: {
            InputEvent event;
            event.type = kCharacter;
            event.code = std::int32_t(wParam);
            Send(event);
            return false;
        }
        case platform::WM_MOUSEMOVE: {
            x_ = float(SignedWord(platform::LoWord(std::uintptr_t(lParam))));
            y_ = float(SignedWord(platform::HiWord(std::uintptr_t(lParam))));
            SendPosition(kMouseMove);
            return false;
        }
        default:
            return false;
    }
}

bool InputManager::OnWindowMessage(platform::WindowHandle, std::uint32_t message,
                                   platform::WPARAM wParam, platform::LPARAM lParam,
                                   platform::LRESULT& result) {
    if (!HandleWindowMessage(message, wParam, lParam)) {
        return false;
    }
    result = 1;
    return true;
}

}  // namespace input
