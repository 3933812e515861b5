// QueuedWindow: a window whose posted messages and timers wait in a message queue of its own,
// the part every back end's window shares.
#pragma once

#include <cstdint>

#include "platform/message_queue.h"
#include "platform/window.h"

namespace platform {

class QueuedWindow : public Window {
public:
    void PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void PostQuitMessage(int exitCode) override;
    bool SetTimer(std::uintptr_t id, std::uint32_t milliseconds) override;
    void KillTimer(std::uintptr_t id) override;

protected:
    explicit QueuedWindow(MessageQueue::Clock clock = &core::NowMilliseconds) : queue_(clock) {}

    MessageQueue queue_;
};

}  // namespace platform
