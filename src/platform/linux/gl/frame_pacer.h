// Keeps presented frames at least one refresh apart where the display does not make the swap
// wait (software rendering, a driver that ignores the swap interval): a frame nobody can see
// between two refreshes costs power and shows nothing.
#pragma once

#include <cstdint>
#include <functional>

namespace gfx::gl {

class FramePacer {
public:
    using Clock = std::function<std::int64_t()>;             // microseconds, monotonic
    using Sleep = std::function<void(std::int64_t micros)>;  // sleeps about that long

    FramePacer(Clock clock, Sleep sleep);

    // The display's refresh rate; 0 or nonsense is taken as 60 Hz.
    void SetRefreshRate(int hertz);
    // Called right after each swap: sleeps for what is left of the refresh period since the
    // previous swap. A swap that waited for the display already leaves nothing to sleep; a frame
    // that took longer than a period is not made up for later.
    void AfterSwap();

    std::int64_t PeriodMicros() const { return period_; }

private:
    Clock clock_;
    Sleep sleep_;
    std::int64_t period_ = 1000000 / 60;
    std::int64_t last_ = -1;
};

// Whether the GL device paces its presentation to the display's refresh: on unless a
// measurement turns it off to see the unpaced cost.
void SetPresentationPaced(bool paced);
bool PresentationPaced();

}  // namespace gfx::gl
