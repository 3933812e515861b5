#include "platform/buffered_input_device.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/dik_codes.h"

namespace platform {
namespace {

// One order across every device, as items of two devices may be compared.
std::uint32_t nextSequence = 1;

}  // namespace

BufferedInputDevice::BufferedInputDevice(InputDeviceKind kind,
                                         std::function<void(BufferedInputDevice*)> onDestroy)
    : kind_(kind), onDestroy_(std::move(onDestroy)) {}

BufferedInputDevice::~BufferedInputDevice() {
    if (onDestroy_) {
        onDestroy_(this);
    }
}

bool BufferedInputDevice::SetCooperativeLevel(WindowHandle window, std::uint32_t flags) {
    // Exactly one of each pair, as DirectInput demands.
    const bool exclusive = (flags & DISCL_EXCLUSIVE) != 0;
    const bool nonExclusive = (flags & DISCL_NONEXCLUSIVE) != 0;
    const bool foreground = (flags & DISCL_FOREGROUND) != 0;
    const bool background = (flags & DISCL_BACKGROUND) != 0;
    if (exclusive == nonExclusive || foreground == background) {
        return false;
    }
    window_ = window;
    flags_ = flags;
    return true;
}

bool BufferedInputDevice::SetBufferSize(std::uint32_t items) {
    bufferSize_ = items;
    // What no longer fits is the newest, as when the buffer fills.
    if (items_.size() > bufferSize_) {
        items_.resize(bufferSize_);
        overflowed_ = true;
    }
    return true;
}

bool BufferedInputDevice::SetEventNotification(bool enabled) {
    notification_ = enabled;
    signalled_ = false;
    return true;
}

InputResult BufferedInputDevice::Acquire() {
    if (!acquirable_) {
        return InputResult::NotAcquired;
    }
    if (!acquired_) {
        // Motion that happened while the device was not ours is not reported.
        mouse_.lX = mouse_.lY = mouse_.lZ = 0;
    }
    acquired_ = true;
    lost_ = false;
    return InputResult::Ok;
}

void BufferedInputDevice::Unacquire() {
    acquired_ = false;
    lost_ = false;
}

void BufferedInputDevice::FocusLost() {
    if (acquired_ && (flags_ & DISCL_FOREGROUND)) {
        LoseInput();
    }
}

void BufferedInputDevice::LoseInput() {
    if (!acquired_) {
        return;
    }
    acquired_ = false;
    lost_ = true;
    items_.clear();
    overflowed_ = false;
}

InputResult BufferedInputDevice::GetDeviceState(std::uint32_t size, void* data) {
    if (lost_) {
        return InputResult::InputLost;
    }
    if (!acquired_) {
        return InputResult::NotAcquired;
    }
    if (kind_ == InputDeviceKind::Keyboard) {
        if (size != keys_.size() || !data) {
            return InputResult::InvalidParam;
        }
        std::memcpy(data, keys_.data(), keys_.size());
        return InputResult::Ok;
    }
    if (size != sizeof(MouseState) || !data) {
        return InputResult::InvalidParam;
    }
    std::memcpy(data, &mouse_, sizeof(MouseState));
    // Axes report the motion since the last read.
    mouse_.lX = mouse_.lY = mouse_.lZ = 0;
    return InputResult::Ok;
}

InputResult BufferedInputDevice::GetDeviceData(std::span<DeviceObjectData> items,
                                               std::size_t& count) {
    count = 0;
    if (lost_) {
        return InputResult::InputLost;
    }
    if (!acquired_) {
        return InputResult::NotAcquired;
    }
    count = std::min(items.size(), items_.size());
    std::copy_n(items_.begin(), count, items.begin());
    items_.erase(items_.begin(), items_.begin() + std::ptrdiff_t(count));
    const bool overflowed = overflowed_;
    overflowed_ = false;
    return overflowed ? InputResult::BufferOverflow : InputResult::Ok;
}

bool BufferedInputDevice::TakeNotification() {
    const bool signalled = signalled_;
    signalled_ = false;
    return signalled;
}

void BufferedInputDevice::KeyChanged(std::uint32_t dik, bool down, std::uint32_t timeStamp) {
    if (dik == 0 || dik >= keys_.size()) {
        return;
    }
    keys_[dik] = down ? 0x80 : 0;
    Push(dik, down ? 0x80 : 0, timeStamp);
}

void BufferedInputDevice::AxisMoved(std::uint32_t offset, std::int32_t delta,
                                    std::uint32_t timeStamp) {
    std::int32_t* axis = offset == DIMOFS_X   ? &mouse_.lX
                         : offset == DIMOFS_Y ? &mouse_.lY
                         : offset == DIMOFS_Z ? &mouse_.lZ
                                              : nullptr;
    if (!axis || delta == 0) {
        return;
    }
    // Unsigned arithmetic: a long unread motion wraps instead of overflowing.
    *axis = std::int32_t(std::uint32_t(*axis) + std::uint32_t(delta));
    Push(offset, std::uint32_t(delta), timeStamp);
}

void BufferedInputDevice::ButtonChanged(int button, bool down, std::uint32_t timeStamp) {
    if (button < 0 || button >= 4) {
        return;
    }
    mouse_.rgbButtons[button] = down ? 0x80 : 0;
    Push(DIMOFS_BUTTON0 + std::uint32_t(button), down ? 0x80 : 0, timeStamp);
}

void BufferedInputDevice::Push(std::uint32_t offset, std::uint32_t data, std::uint32_t timeStamp) {
    if (!acquired_ || bufferSize_ == 0) {
        return;
    }
    // A full buffer drops what arrives, never what it holds: a press must survive the motion that
    // follows it within one frame. The device state still tells where keys and buttons are now.
    if (items_.size() >= bufferSize_) {
        overflowed_ = true;
        return;
    }
    items_.push_back({offset, data, timeStamp, nextSequence++});
    if (notification_) {
        signalled_ = true;
    }
}

}  // namespace platform
