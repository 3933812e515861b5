#include "render/application.h"

#include <algorithm>

namespace render {

Application::Application() = default;

Application::~Application() = default;

bool Application::Create(platform::InstanceHandle instance, platform::Window* window) {
    instance_ = instance;
    window_ = window;
    if (!window_) {
        return false;
    }
    ReadClientRect();
    return true;
}

void Application::ReadClientRect() {
    if (window_) {
        clientRect_ = window_->ClientRect();
    }
}

platform::LRESULT Application::MsgProc(platform::WindowHandle window, std::uint32_t message,
                                       platform::WPARAM wParam, platform::LPARAM lParam) {
    // A copy: a listener may remove itself while it is called.
    const auto listeners = listeners_;
    for (auto* listener : listeners) {
        platform::LRESULT result = 0;
        if (listener->OnWindowMessage(window, message, wParam, lParam, result)) {
            return result;
        }
    }

    switch (message) {
        case platform::WM_ACTIVATE:
            active_ = platform::LoWord(wParam) != 0;
            break;
        case platform::WM_SIZE:
            ReadClientRect();
            break;
        case platform::WM_CLOSE:
            // Nothing is drawn once the window is closing; the message loop ends on WM_QUIT.
            active_ = false;
            if (window_) {
                window_->PostQuitMessage(0);
            }
            return 0;
        default:
            break;
    }
    return 0;
}

void Application::AddMessageListener(platform::WindowMessageListener* listener) {
    if (listener) {
        listeners_.push_back(listener);
    }
}

void Application::RemoveMessageListener(platform::WindowMessageListener* listener) {
    std::erase(listeners_, listener);
}

}  // namespace render
