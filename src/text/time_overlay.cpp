#include "text/time_overlay.h"

#include <cmath>
#include <utility>

namespace text {

WindowRect ClockWindowRect(double scale, bool twentyFourHour) {
    const double width = twentyFourHour ? 290.0 : 350.0;
    return {200, 300, std::int32_t(std::floor(width * scale)),
            std::int32_t(std::floor(74.0 * scale))};
}

TextStyle OverlayStyle(double scale) {
    TextStyle style;
    style.key.size = kOverlayFontSize;
    style.scale = scale;
    return style;
}

void TimeOverlay::Create(bool showFps, bool showTime, bool twentyFourHour, double scale) {
    frameRate_.reset();
    clock_.reset();
    if (showFps) {
        frameRate_.emplace(kFrameRateWindow, OverlayStyle(scale), "100");
    }
    if (showTime) {
        clock_.emplace(ClockWindowRect(scale, twentyFourHour), OverlayStyle(scale), "11");
    }
}

void TimeOverlay::SetFrameRateText(std::string text) {
    if (frameRate_) {
        frameRate_->SetText(std::move(text));
    }
}

void TimeOverlay::SetTimeText(std::string text, std::int32_t clientWidth,
                              std::int32_t clientHeight) {
    if (!clock_) {
        return;
    }
    clock_->SetText(std::move(text));
    const WindowRect& rect = clock_->Rect();
    clock_->Move(clientWidth - rect.width, clientHeight - rect.height);
}

void TimeOverlay::Draw(const text::FontStore& store) const {
    if (frameRate_) {
        frameRate_->Draw(store);
    }
    if (clock_) {
        clock_->Draw(store);
    }
}

}  // namespace text
