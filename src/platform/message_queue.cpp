#include "platform/message_queue.h"

#include <algorithm>

#include "platform/termination.h"

namespace platform {

bool MessageQueue::TakePosted(Message& message) {
    if (posted_.empty()) {
        return false;
    }
    message = posted_.front();
    posted_.pop_front();
    return true;
}

bool MessageQueue::TakeCloseRequest(WindowHandle window, Message& message) {
    if (closeTaken_ || !TerminationRequested()) {
        return false;
    }
    // As if the user closed the window: the program's own shutdown follows.
    closeTaken_ = true;
    message = {window, WM_CLOSE, 0, 0};
    return true;
}

void MessageQueue::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) {
    KillTimer(id);
    const std::int64_t period = std::max<std::int64_t>(milliseconds, 1);
    timers_.push_back({window, id, period, clock_() + period});
}

void MessageQueue::KillTimer(std::uintptr_t id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

bool MessageQueue::TakeDueTimer(Message& message) {
    const std::int64_t now = clock_();
    Timer* earliest = nullptr;
    for (auto& timer : timers_) {
        if (timer.due <= now && (!earliest || timer.due < earliest->due)) {
            earliest = &timer;
        }
    }
    if (!earliest) {
        return false;
    }
    // Missed periods are not made up: one WM_TIMER however late, as on Windows.
    earliest->due = now + earliest->period;
    message = {earliest->window, WM_TIMER, earliest->id, 0};
    return true;
}

std::optional<std::int64_t> MessageQueue::MillisecondsToNextTimer() const {
    if (timers_.empty()) {
        return std::nullopt;
    }
    const std::int64_t now = clock_();
    std::int64_t wait = timers_.front().due - now;
    for (const auto& timer : timers_) {
        wait = std::min(wait, timer.due - now);
    }
    return std::max<std::int64_t>(wait, 0);
}

}  // namespace platform
