// RenderSorter: collects one frame's visible drawables, opaque ones by texture and transparent
// ones by distance from the eye, and draws them in one flush with the scene's lights.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "render/math/matrix.h"

namespace render {

class Camera;
class LightList;
class Mesh;

class RenderSorter {
public:
    // `lights` may be null (no lights); `camera` gives the eye for the transparent distances and
    // the view and projection set for the flush (null: the eye at the origin, transforms kept).
    static std::unique_ptr<RenderSorter> Create(const LightList* lights,
                                                const Camera* camera = nullptr);
    RenderSorter(const LightList* lights, const Camera* camera);

    void Add(Mesh* drawable);
    // Draws every group, the group made last first; false when a draw failed (the rest are
    // still drawn). The sorter is empty afterwards.
    bool Flush();

    std::size_t OpaqueGroupCount() const { return opaque_.size(); }
    std::size_t TransparentGroupCount() const { return transparent_.size(); }

private:
    using Group = std::vector<Mesh*>;

    const LightList* lights_;
    const Camera* camera_;
    // Groups in the order they were made; the maps find a key's group.
    std::vector<Group> opaque_;
    std::vector<Group> transparent_;
    std::unordered_map<const void*, std::size_t> opaqueByTexture_;
    std::unordered_map<float, std::size_t> transparentByDistance_;
};

}  // namespace render
