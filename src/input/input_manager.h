// InputManager: reads the buffered keyboard and mouse devices and a few window messages and turns
// them into InputEvents for its listeners.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/interval_timer.h"
#include "input/input_event.h"
#include "input/input_listener.h"
#include "platform/input_devices.h"
#include "platform/window.h"
#include "platform/window_messages.h"

namespace input {

class InputManager final : public platform::WindowMessageListener {
public:
    // Two releases of a button at most this far apart make a double click.
    static constexpr std::uint32_t kDoubleClickMilliseconds = 500;

    // `devices` may be null (Initialise then fails) and must outlive the manager.
    explicit InputManager(platform::InputDevices* devices,
                          core::IntervalTimer::Clock clock = &core::NowMilliseconds);
    ~InputManager() override;

    InputManager(const InputManager&) = delete;
    InputManager& operator=(const InputManager&) = delete;

    // Creates, configures and acquires both devices for `window`. On failure the manager stays
    // usable: it still answers window messages, and reads nothing.
    bool Initialise(platform::WindowHandle window, bool cursorMode, std::uint32_t keyboardFlags,
                    std::uint32_t mouseFlags);

    // Reads the mouse and keyboard states when `period` ms have passed since the last read.
    void Poll(std::int64_t period);
    // Sends the events of one device's pending buffered items.
    void Deliver();

    // Bit 7 of the stored state of that DIK_* key.
    bool KeyDown(std::uint32_t dik) const;

    // Listeners are not owned; each receives every event, in the order they were added.
    void AddListener(InputListener* listener);
    void RemoveListener(InputListener* listener);

    // A window message, seen before the window's own handling. True when the manager answered it
    // (with 1) and the message goes no further.
    bool HandleWindowMessage(std::uint32_t message, platform::WPARAM wParam,
                             platform::LPARAM lParam);
    bool OnWindowMessage(platform::WindowHandle window, std::uint32_t message,
                         platform::WPARAM wParam, platform::LPARAM lParam,
                         platform::LRESULT& result) override;

    // Whether the graphics device runs in a window (the cursor is then always shown as an arrow).
    void SetWindowed(bool windowed) { windowed_ = windowed; }

    float X() const { return x_; }
    float Y() const { return y_; }
    const platform::MouseState& MouseState() const { return mouseState_; }
    bool HasFocus() const { return focus_; }

private:
    struct ButtonClicks {
        int releases = 0;
        std::uint32_t lastRelease = 0;
    };

    void ReleaseDevices();
    void AcquireDevices();
    bool ReadMouse();
    bool ReadKeyboard();
    void Clamp();
    static std::size_t ReadItems(platform::InputDevice& device,
                                 std::span<platform::DeviceObjectData> items);
    void DeliverKeyboard();
    void DeliverMouse();
    void ButtonItem(int button, const platform::DeviceObjectData& item);
    // Sends a mouse event at the current position; a move also makes it the previous position.
    void SendPosition(std::int32_t type);
    void Send(const InputEvent& event);

    platform::InputDevices* devices_;
    std::unique_ptr<platform::InputDevice> keyboard_;
    std::unique_ptr<platform::InputDevice> mouse_;
    platform::WindowHandle window_ = 0;

    std::uint8_t keyState_[platform::kKeyboardStateSize] = {};
    platform::MouseState mouseState_;
    float x_ = 0;
    float y_ = 0;
    float previousX_ = 0;
    float previousY_ = 0;
    std::int32_t clientWidth_ = 0;
    std::int32_t clientHeight_ = 0;
    float sensitivity_ = 1.0f;
    bool cursorMode_ = false;
    bool windowed_ = false;
    bool focus_ = false;

    ButtonClicks clicks_[2];
    core::IntervalTimer pollTimer_;
    std::vector<InputListener*> listeners_;
};

}  // namespace input
