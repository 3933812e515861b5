// The millisecond clock and the stopwatch every timed behaviour uses.
#pragma once

#include <cstdint>

namespace core {

// Milliseconds from a monotonic clock; only differences are meaningful.
std::int64_t NowMilliseconds();

class IntervalTimer {
public:
    using Clock = std::int64_t (*)();

    explicit IntervalTimer(Clock clock = &NowMilliseconds) : clock_(clock) { Restart(); }

    void Restart() { start_ = clock_(); }

    // True, and restarted, once `period` ms have passed; a clock that went backwards by the
    // period counts too, so a stopwatch never sticks after a clock jump.
    bool Elapsed(std::int64_t period);

    std::int64_t ElapsedMilliseconds() const { return clock_() - start_; }

private:
    Clock clock_;
    std::int64_t start_ = 0;
};

}  // namespace core
