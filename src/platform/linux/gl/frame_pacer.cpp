#include "platform/linux/gl/frame_pacer.h"

#include <utility>

namespace gfx::gl {
namespace {

// Sleeps shorter than this are not worth a wake-up; the display's own wait absorbs them.
constexpr std::int64_t kLeastSleepMicros = 500;

bool paced = true;

}  // namespace

FramePacer::FramePacer(Clock clock, Sleep sleep)
    : clock_(std::move(clock)), sleep_(std::move(sleep)) {}

void FramePacer::SetRefreshRate(int hertz) {
    period_ = hertz >= 20 && hertz <= 1000 ? 1000000 / hertz : 1000000 / 60;
}

void FramePacer::AfterSwap() {
    std::int64_t now = clock_();
    if (last_ >= 0) {
        const std::int64_t left = last_ + period_ - now;
        if (left >= kLeastSleepMicros && left <= period_) {
            sleep_(left);
            now = clock_();
        }
    }
    last_ = now;
}

void SetPresentationPaced(bool on) {
    paced = on;
}

bool PresentationPaced() {
    return paced;
}

}  // namespace gfx::gl
