#include "platform/fake/fake_input_devices.h"

#include <algorithm>

namespace platform::fake {

FakeInputDevices::FakeInputDevices()
    : live_(std::make_shared<std::vector<BufferedInputDevice*>>()) {}

std::unique_ptr<InputDevice> FakeInputDevices::CreateDevice(InputDeviceKind kind) {
    if (kind == InputDeviceKind::Keyboard ? missingKeyboard_ : missingMouse_) {
        return nullptr;
    }
    auto device = std::make_unique<BufferedInputDevice>(
        kind, [live = live_](BufferedInputDevice* d) { std::erase(*live, d); });
    live_->push_back(device.get());
    return device;
}

bool FakeInputDevices::GetCursorPos(WindowHandle window, std::int32_t& x, std::int32_t& y) {
    lastWindow_ = window;
    if (!cursorKnown_) {
        return false;
    }
    x = cursorX_;
    y = cursorY_;
    return true;
}

bool FakeInputDevices::GetClientSize(WindowHandle window, std::int32_t& width,
                                     std::int32_t& height) {
    lastWindow_ = window;
    width = width_;
    height = height_;
    return true;
}

void FakeInputDevices::SetCursor(CursorShape shape) {
    lastCursor_ = shape;
    ++cursorSets_;
}

BufferedInputDevice* FakeInputDevices::Device(InputDeviceKind kind) const {
    const auto& live = *live_;
    const auto it = std::find_if(live.rbegin(), live.rend(), [kind](const BufferedInputDevice* d) {
        return d->Kind() == kind;
    });
    return it == live.rend() ? nullptr : *it;
}

void FakeInputDevices::SetMissing(InputDeviceKind kind, bool missing) {
    (kind == InputDeviceKind::Keyboard ? missingKeyboard_ : missingMouse_) = missing;
}

void FakeInputDevices::SetCursorPos(std::int32_t x, std::int32_t y) {
    cursorKnown_ = true;
    cursorX_ = x;
    cursorY_ = y;
}

void FakeInputDevices::SetClientSize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
}

}  // namespace platform::fake
