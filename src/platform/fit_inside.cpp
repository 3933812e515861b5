#include "platform/fit_inside.h"

#include <cstdint>

namespace platform {

Rect FitInside(int pictureWidth, int pictureHeight, int width, int height) {
    const Rect whole{0, 0, width, height};
    if (pictureWidth <= 0 || pictureHeight <= 0 || width <= 0 || height <= 0) {
        return whole;
    }
    // Compared crosswise in 64 bits: no rounding, no overflow.
    const std::int64_t wide = std::int64_t(width) * pictureHeight;
    const std::int64_t tall = std::int64_t(height) * pictureWidth;
    int fittedWidth = width;
    int fittedHeight = height;
    if (wide > tall) {
        fittedWidth = static_cast<int>((tall + pictureHeight / 2) / pictureHeight);
    } else {
        fittedHeight = static_cast<int>((wide + pictureWidth / 2) / pictureWidth);
    }
    if (width - fittedWidth <= 1 && height - fittedHeight <= 1) {
        return whole;
    }
    const int left = (width - fittedWidth) / 2;
    const int top = (height - fittedHeight) / 2;
    return {left, top, left + fittedWidth, top + fittedHeight};
}

}  // namespace platform
