// Input devices for tests: items, the cursor, the client size and lost input are scripted.
#pragma once

#include <memory>
#include <vector>

#include "platform/buffered_input_device.h"
#include "platform/input_devices.h"

namespace platform::fake {

class FakeInputDevices final : public InputDevices {
public:
    FakeInputDevices();

    std::unique_ptr<InputDevice> CreateDevice(InputDeviceKind kind) override;
    bool GetCursorPos(WindowHandle window, std::int32_t& x, std::int32_t& y) override;
    bool GetClientSize(WindowHandle window, std::int32_t& width, std::int32_t& height) override;
    void SetCursor(CursorShape shape) override;

    // The live device of that kind made last, or null.
    BufferedInputDevice* Device(InputDeviceKind kind) const;
    BufferedInputDevice* Keyboard() const { return Device(InputDeviceKind::Keyboard); }
    BufferedInputDevice* Mouse() const { return Device(InputDeviceKind::Mouse); }

    // A kind marked missing is not created.
    void SetMissing(InputDeviceKind kind, bool missing);
    void SetCursorPos(std::int32_t x, std::int32_t y);
    void ForgetCursor() { cursorKnown_ = false; }
    void SetClientSize(std::int32_t width, std::int32_t height);

    CursorShape LastCursor() const { return lastCursor_; }
    int CursorSets() const { return cursorSets_; }
    WindowHandle LastWindowAsked() const { return lastWindow_; }

private:
    std::shared_ptr<std::vector<BufferedInputDevice*>> live_;
    bool missingKeyboard_ = false;
    bool missingMouse_ = false;
    bool cursorKnown_ = true;
    std::int32_t cursorX_ = 0;
    std::int32_t cursorY_ = 0;
    std::int32_t width_ = 640;
    std::int32_t height_ = 480;
    CursorShape lastCursor_ = CursorShape::None;
    int cursorSets_ = 0;
    WindowHandle lastWindow_ = 0;
};

}  // namespace platform::fake
