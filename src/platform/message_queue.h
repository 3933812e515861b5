// The part of a window's message queue that every back end shares: messages posted by the
// program itself and the timers that send WM_TIMER.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "core/interval_timer.h"
#include "platform/window.h"

namespace platform {

class MessageQueue {
public:
    using Clock = core::IntervalTimer::Clock;

    explicit MessageQueue(Clock clock = &core::NowMilliseconds) : clock_(clock) {}

    void Post(const Message& message) { posted_.push_back(message); }
    bool TakePosted(Message& message);
    bool HasPosted() const { return !posted_.empty(); }
    // A message taken only to learn that one was there: it is handed out again before all others.
    void PutBack(const Message& message) { posted_.push_front(message); }

    // WM_CLOSE for `window`, once, after a request to end the process has arrived.
    bool TakeCloseRequest(WindowHandle window, Message& message);
    // Whether a request to end the process is still to be handed out, so a wait must wake for one.
    bool AwaitsCloseRequest() const { return !closeTaken_; }

    // A timer of the same id is replaced, as on Windows. A period of 0 counts as 1 ms.
    void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds);
    void KillTimer(std::uintptr_t id);
    // WM_TIMER for the timer that has been due longest; it is then due one period from now.
    bool TakeDueTimer(Message& message);
    // How long until the next timer is due (0 when one is due now); nothing without timers.
    std::optional<std::int64_t> MillisecondsToNextTimer() const;

    std::int64_t Now() const { return clock_(); }

private:
    struct Timer {
        WindowHandle window;
        std::uintptr_t id;
        std::int64_t period;
        std::int64_t due;
    };

    Clock clock_;
    std::deque<Message> posted_;
    std::vector<Timer> timers_;
    bool closeTaken_ = false;
};

}  // namespace platform
