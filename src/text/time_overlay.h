// TimeOverlay: the frame-rate and clock texts over the scene, in the 64-pixel digit font scaled
// to the drawing area.
#pragma once

#include <optional>
#include <string>

#include "text/text_window.h"

namespace text {

inline constexpr std::int32_t kOverlayFontSize = 64;
inline constexpr WindowRect kFrameRateWindow{10, 10, 256, 128};

// The clock window before it is first placed: 290 (24-hour) or 350 (12-hour) by 74 pixels at
// 1024 pixels of width, scaled with it and truncated.
WindowRect ClockWindowRect(double scale, bool twentyFourHour);

// The style both texts use: size 64, white, scaled by `scale` (client width / 1024).
TextStyle OverlayStyle(double scale);

class TimeOverlay {
public:
    // Makes the windows the settings ask for.
    void Create(bool showFps, bool showTime, bool twentyFourHour, double scale);

    void SetFrameRateText(std::string text);
    // Sets the clock's text and moves its window into the bottom-right corner of the client area.
    void SetTimeText(std::string text, std::int32_t clientWidth, std::int32_t clientHeight);

    void Draw(const text::FontStore& store) const;

    const TextWindow* FrameRateWindow() const { return frameRate_ ? &*frameRate_ : nullptr; }
    const TextWindow* ClockWindow() const { return clock_ ? &*clock_ : nullptr; }

private:
    std::optional<TextWindow> frameRate_;
    std::optional<TextWindow> clock_;
};

}  // namespace text
