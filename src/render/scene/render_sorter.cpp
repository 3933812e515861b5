#include "render/scene/render_sorter.h"

#include <cmath>
#include <limits>

#include "render/device/state_cache.h"
#include "render/math/camera.h"
#include "render/scene/light.h"
#include "render/scene/mesh.h"
#include "render/textures/texture.h"

namespace render {

std::unique_ptr<RenderSorter> RenderSorter::Create(const LightList* lights, const Camera* camera) {
    return std::make_unique<RenderSorter>(lights, camera);
}

RenderSorter::RenderSorter(const LightList* lights, const Camera* camera)
    : lights_(lights), camera_(camera) {}

void RenderSorter::Add(Mesh* drawable) {
    if (!drawable) {
        return;
    }
    const RenderStates& states = drawable->GetRenderStates();
    if (IsTransparent(states)) {
        const Vector3 eye = camera_ ? camera_->GetEye() : Vector3{};
        float distance = Vec3Length(drawable->GetWorldBoundingBox().centre - eye);
        // A key that never equals itself would open a group per drawable.
        if (std::isnan(distance)) {
            distance = std::numeric_limits<float>::infinity();
        }
        auto [at, made] = transparentByDistance_.try_emplace(distance, transparent_.size());
        if (made) {
            transparent_.emplace_back();
        }
        transparent_[at->second].push_back(drawable);
        return;
    }
    const Texture* texture = states.stages[0].texture;
    const void* key = texture ? texture->Source() : nullptr;
    auto [at, made] = opaqueByTexture_.try_emplace(key, opaque_.size());
    if (made) {
        opaque_.emplace_back();
    }
    opaque_[at->second].push_back(drawable);
}

bool RenderSorter::Flush() {
    if (lights_) {
        lights_->SetAll();
    }
    if (camera_) {
        const gfx::D3DMATRIX view = camera_->GetView().ToD3D();
        const gfx::D3DMATRIX projection = camera_->GetProjection().ToD3D();
        DeviceStateCache().SetView(&view);
        DeviceStateCache().SetProjection(&projection);
    }
    bool ok = true;
    for (std::vector<Group>* groups : {&opaque_, &transparent_}) {
        for (auto group = groups->rbegin(); group != groups->rend(); ++group) {
            for (Mesh* drawable : *group) {
                ok = drawable->Draw(lights_) && ok;
            }
        }
    }
    if (lights_) {
        lights_->DisableAll();
    }
    opaque_.clear();
    transparent_.clear();
    opaqueByTexture_.clear();
    transparentByDistance_.clear();
    return ok;
}

}  // namespace render
