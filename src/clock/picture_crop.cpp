#include "clock/picture_crop.h"

#include <cmath>

namespace clockscene {

render::UVRect CentreCrop(std::uint32_t imageWidth, std::uint32_t imageHeight, float frameWidth,
                          float frameHeight) {
    // Written so that a NaN size fails every comparison and leaves the whole image.
    if (imageWidth == 0 || imageHeight == 0 || !(frameWidth > 0.0f) || !(frameHeight > 0.0f) ||
        !std::isfinite(frameWidth) || !std::isfinite(frameHeight)) {
        return {};
    }
    const double image = double(imageWidth) / double(imageHeight);
    const double frame = double(frameWidth) / double(frameHeight);
    render::UVRect shown;
    if (image > frame) {
        const float kept = float(frame / image);
        shown.u0 = 0.5f - kept / 2;
        shown.u1 = 0.5f + kept / 2;
    } else {
        const float kept = float(image / frame);
        shown.v0 = 0.5f - kept / 2;
        shown.v1 = 0.5f + kept / 2;
    }
    return shown;
}

}  // namespace clockscene
