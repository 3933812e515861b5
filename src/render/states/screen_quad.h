// Pictures drawn straight onto the screen as textured quads of pre-transformed vertices: the
// loading picture, the corner images and full-screen fades.
#pragma once

#include "platform/window.h"

namespace render {

class Texture;

// Where on the client area a picture goes: 0 the centre (or everything, full screen), 1 bottom
// right, 2 bottom left, 3 top left, 4 top right; the corners are 256 x 128 pixels.
enum ScreenPosition : int {
    kScreenCentre = 0,
    kScreenBottomRight = 1,
    kScreenBottomLeft = 2,
    kScreenTopLeft = 3,
    kScreenTopRight = 4,
};

// Draws `texture` through the material states with `opacity` (0 .. 1), depth test and writes off
// for the draw. Must be called inside a scene. False when there is no device or texture.
bool DrawScreenQuad(Texture* texture, float opacity, bool fullScreen, int position,
                    const platform::Rect& client);

// A 1 x 1 black texture for fades, with a reference for the caller; null without a device.
Texture* LoadBlackTexture();

}  // namespace render
