// The common half of every back end's input devices: the item buffer, acquisition, the "data
// pending" notification and the device state, fed by the back end as native events arrive.
#pragma once

#include <array>
#include <deque>
#include <functional>

#include "platform/input_devices.h"

namespace platform {

class BufferedInputDevice final : public InputDevice {
public:
    // `onDestroy` lets the owner of the feed forget the device.
    explicit BufferedInputDevice(InputDeviceKind kind,
                                 std::function<void(BufferedInputDevice*)> onDestroy = {});
    ~BufferedInputDevice() override;

    bool SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override;
    bool SetBufferSize(std::uint32_t items) override;
    bool SetEventNotification(bool enabled) override;
    InputResult Acquire() override;
    void Unacquire() override;
    InputResult GetDeviceState(std::uint32_t size, void* data) override;
    InputResult GetDeviceData(std::span<DeviceObjectData> items, std::size_t& count) override;
    bool TakeNotification() override;

    // The feed. Items are buffered only while the device is acquired; state is kept always.
    void KeyChanged(std::uint32_t dik, bool down, std::uint32_t timeStamp);
    void AxisMoved(std::uint32_t offset, std::int32_t delta, std::uint32_t timeStamp);
    void ButtonChanged(int button, bool down, std::uint32_t timeStamp);
    // The window lost the focus: a foreground device loses its acquisition and its items.
    void FocusLost();
    // Acquisition lost for any reason (a foreground device without focus, a grab elsewhere).
    void LoseInput();
    // While false, Acquire fails as it does when another program holds the device.
    void SetAcquirable(bool acquirable) { acquirable_ = acquirable; }

    InputDeviceKind Kind() const { return kind_; }
    std::uint32_t CooperativeFlags() const { return flags_; }
    WindowHandle CooperativeWindow() const { return window_; }
    std::uint32_t BufferSize() const { return bufferSize_; }
    bool Acquired() const { return acquired_; }
    std::size_t Pending() const { return items_.size(); }

private:
    void Push(std::uint32_t offset, std::uint32_t data, std::uint32_t timeStamp);

    InputDeviceKind kind_;
    std::function<void(BufferedInputDevice*)> onDestroy_;
    WindowHandle window_ = 0;
    std::uint32_t flags_ = 0;
    std::uint32_t bufferSize_ = 0;
    bool notification_ = false;
    bool signalled_ = false;
    bool acquired_ = false;
    bool lost_ = false;
    bool overflowed_ = false;
    bool acquirable_ = true;
    std::deque<DeviceObjectData> items_;
    std::array<std::uint8_t, kKeyboardStateSize> keys_{};
    MouseState mouse_;
};

}  // namespace platform
