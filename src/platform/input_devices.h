// Buffered keyboard and mouse devices in the shape of DirectInput: cooperative level, a buffer of
// timestamped items per device, a "data pending" notification, acquire/unacquire and "input lost".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/window_messages.h"

namespace platform {

// Cooperative levels.
inline constexpr std::uint32_t DISCL_EXCLUSIVE = 0x01;
inline constexpr std::uint32_t DISCL_NONEXCLUSIVE = 0x02;
inline constexpr std::uint32_t DISCL_FOREGROUND = 0x04;
inline constexpr std::uint32_t DISCL_BACKGROUND = 0x08;
inline constexpr std::uint32_t DISCL_NOWINKEY = 0x10;

// Size of a keyboard state: one byte per key code, bit 7 set while the key is down.
inline constexpr std::size_t kKeyboardStateSize = 256;
// Most items a device buffer holds.
inline constexpr std::uint32_t kMaxBufferedItems = 64;

enum class InputResult {
    Ok,
    BufferOverflow,  // the items came back, but newer ones were dropped as the buffer was full
    InputLost,       // the device lost its acquisition (focus went away); acquire again
    NotAcquired,     // the device was never acquired, or was unacquired on purpose
    InvalidParam,
};

inline bool Succeeded(InputResult r) {
    return r == InputResult::Ok || r == InputResult::BufferOverflow;
}

// One buffered item: which key or axis (a DIK_* code or a DIMOFS_* offset), its data (0x80 for
// pressed keys and buttons, 0 for released; a signed relative motion for axes), when it happened
// and its place in the order of every item of every device.
struct DeviceObjectData {
    std::uint32_t offset = 0;
    std::uint32_t data = 0;
    std::uint32_t timeStamp = 0;  // milliseconds, wrapping
    std::uint32_t sequence = 0;
};

// The mouse state: relative x, y and wheel motion since the last read, and four buttons (bit 7 =
// down). Laid out as the 16-byte DIMOUSESTATE, so the DIMOFS_* offsets index it.
struct MouseState {
    std::int32_t lX = 0;
    std::int32_t lY = 0;
    std::int32_t lZ = 0;
    std::uint8_t rgbButtons[4] = {};
};
static_assert(sizeof(MouseState) == 16);

enum class InputDeviceKind { Keyboard, Mouse };
enum class CursorShape { None, Arrow };

class InputDevice {
public:
    virtual ~InputDevice() = default;

    virtual bool SetCooperativeLevel(WindowHandle window, std::uint32_t flags) = 0;
    // Items that arrive while the buffer is full are dropped; 0 turns buffering off.
    virtual bool SetBufferSize(std::uint32_t items) = 0;
    // Enables the "data pending" notification that TakeNotification reads.
    virtual bool SetEventNotification(bool enabled) = 0;

    virtual InputResult Acquire() = 0;
    virtual void Unacquire() = 0;

    // Fills `size` bytes: kKeyboardStateSize for a keyboard, sizeof(MouseState) for a mouse.
    virtual InputResult GetDeviceState(std::uint32_t size, void* data) = 0;
    // Moves up to items.size() buffered items, oldest first, into `items`; `count` says how many.
    virtual InputResult GetDeviceData(std::span<DeviceObjectData> items, std::size_t& count) = 0;

    // True once after new items arrived (an auto-reset event waited on with timeout 0).
    virtual bool TakeNotification() = 0;
};

class InputDevices {
public:
    virtual ~InputDevices() = default;

    // A new device of that kind, or null when there is none.
    virtual std::unique_ptr<InputDevice> CreateDevice(InputDeviceKind kind) = 0;

    // The pointer position in the client coordinates of `window`.
    virtual bool GetCursorPos(WindowHandle window, std::int32_t& x, std::int32_t& y) = 0;
    virtual bool GetClientSize(WindowHandle window, std::int32_t& width, std::int32_t& height) = 0;
    virtual void SetCursor(CursorShape shape) = 0;
};

// The devices of this platform (SDL2 events on Linux).
std::unique_ptr<InputDevices> CreateInputDevices();

}  // namespace platform
