// Light: one scene light as the device takes it, made from a scene file's light record; and the
// scene's list of them.
#pragma once

#include <memory>
#include <vector>

#include "platform/gfx/d3d_types.h"
#include "render/math/bounding_box.h"

namespace udf {
class UdfNode;
}

namespace render {

class Light {
public:
    enum class RecordResult { Made, UnknownType, Unusable };

    // A light from a "PointLight", "DirLight" or "SpotLight" record. Unusable: the record's
    // matrices are not finite, so the light is left out.
    static RecordResult FromRecord(const udf::UdfNode& record, std::unique_ptr<Light>& light);

    // Whether the light can reach any part of the box.
    bool Affects(const BoundingBox& box) const;

    gfx::D3DLIGHT9 light{};
    int index = -1;
    bool enabled = false;
};

class LightList {
public:
    void Add(std::unique_ptr<Light> light) { lights_.push_back(std::move(light)); }
    std::size_t Count() const { return lights_.size(); }
    Light& At(std::size_t i) { return *lights_[i]; }
    const Light& At(std::size_t i) const { return *lights_[i]; }
    void Clear() { lights_.clear(); }

    // Each light on the device at its place in the list.
    void SetAll() const;
    void EnableAll() const;
    // Each light on or off by whether it affects the box.
    void EnableFor(const BoundingBox& box) const;
    void DisableAll() const;

private:
    void Enable(std::size_t i, bool on) const;

    std::vector<std::unique_ptr<Light>> lights_;
};

}  // namespace render
