#include "core/interval_timer.h"

#include <chrono>

namespace core {

std::int64_t NowMilliseconds() {
    using namespace std::chrono;
    // The full 64-bit count: a 32-bit one would jump back every 24.8 days of uptime.
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool IntervalTimer::Elapsed(std::int64_t period) {
    const std::int64_t now = clock_();
    if (now - start_ >= period || start_ - now >= period) {
        start_ = now;
        return true;
    }
    return false;
}

}  // namespace core
