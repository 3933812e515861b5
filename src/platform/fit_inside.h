// Fitting a picture into a window without stretching it out of shape.
#pragma once

#include "platform/window.h"

namespace platform {

// Where a picture of pictureWidth × pictureHeight lands in an area of width × height: the whole
// area when their shapes agree to within a pixel, else the largest rectangle of the picture's own
// shape, centred (the rest is left black by the caller).
Rect FitInside(int pictureWidth, int pictureHeight, int width, int height);

}  // namespace platform
