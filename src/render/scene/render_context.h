// RenderContext: what a scene traversal carries from node to node.
#pragma once

#include <cstdint>

#include "render/math/matrix.h"

namespace render {

class Camera;
class RenderSorter;

inline constexpr std::uint32_t kRenderAnimate = 0x1;    // evaluate animations at `time`
inline constexpr std::uint32_t kRenderNoCulling = 0x2;  // draw without the frustum test
inline constexpr std::uint32_t kRenderNoDrawing = 0x4;  // only update transforms

struct RenderContext {
    const Camera* camera = nullptr;  // null: nothing is culled
    Matrix world = MatrixIdentity();
    Matrix bind = MatrixIdentity();
    std::uint32_t flags = 0;
    // Animation time in seconds for nodes without a playing slot.
    float time = 0.0f;
    // The engine clock's milliseconds, which playing animation slots read.
    std::int64_t now = 0;
    RenderSorter* sorter = nullptr;
};

}  // namespace render
