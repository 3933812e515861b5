// Application: the device host at the root of the application chain. It owns the saver window's
// view (handle, client rectangle), keeps the *active* flag from activation messages and answers
// the window messages a device host answers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace render {

class Application {
public:
    Application();
    virtual ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Takes the window the host draws into (not owned). False when there is none.
    virtual bool Create(platform::InstanceHandle instance, platform::Window* window);

    // The host's own handling of a window message; listeners see it first.
    virtual platform::LRESULT MsgProc(platform::WindowHandle window, std::uint32_t message,
                                      platform::WPARAM wParam, platform::LPARAM lParam);

    // Listeners are asked in the order they were added; the first that answers ends the message.
    void AddMessageListener(platform::WindowMessageListener* listener);
    void RemoveMessageListener(platform::WindowMessageListener* listener);

    platform::InstanceHandle Instance() const { return instance_; }
    bool IsActive() const { return active_; }
    platform::Window* HostWindow() const { return window_; }
    platform::WindowHandle HostWindowHandle() const { return window_ ? window_->Handle() : 0; }
    // The client rectangle as last read (at Create and on every size change).
    const platform::Rect& ClientRect() const { return clientRect_; }

protected:
    void SetActive(bool active) { active_ = active; }
    void ReadClientRect();

private:
    platform::InstanceHandle instance_ = 0;
    platform::Window* window_ = nullptr;
    platform::Rect clientRect_;
    // Set when the device is selected and kept from WM_ACTIVATE afterwards; frames are drawn
    // only while it is set.
    bool active_ = false;
    std::vector<platform::WindowMessageListener*> listeners_;
};

}  // namespace render
