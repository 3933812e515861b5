// Fitting the user's picture into the painting's frame: the frame is filled and the picture
// keeps its shape, so whatever sticks out on two sides is cut off evenly.
#pragma once

#include <cstdint>

#include "render/textures/texture.h"

namespace clockscene {

// The centred part of an image of `imageWidth` x `imageHeight` pixels that has the shape of a
// frame `frameWidth` x `frameHeight` (any unit), in texture coordinates. The whole image when
// either size is empty or not a number.
render::UVRect CentreCrop(std::uint32_t imageWidth, std::uint32_t imageHeight, float frameWidth,
                          float frameHeight);

}  // namespace clockscene
