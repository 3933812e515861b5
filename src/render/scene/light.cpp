#include "render/scene/light.h"

#include <cmath>
#include <cstring>

#include "render/device/current_device.h"
#include "render/math/matrix.h"
#include "render/scene/record_fields.h"
#include "udf/udf_node.h"

namespace render {

using namespace gfx;

namespace {

// A transform member, or the identity when the light has none: a light without one stands at
// the origin and shines down -Y.
bool ReadTransform(const udf::UdfNode& record, std::string_view key, Matrix& m) {
    m = MatrixIdentity();
    return ReadMatrix(record, key, m) != FieldRead::Unusable;
}

float ReadReal(const udf::UdfNode& record, std::string_view key, float fallback) {
    const udf::UdfNode* node = record.findChild(key);
    if (!node || node->size() < 4) {
        return fallback;
    }
    const float value = node->typeName().view() == "int" ? float(node->asInt()) : node->asReal();
    return std::isfinite(value) ? value : fallback;
}

// Up to 16 bytes over (1, 1, 1, 1), read as alpha, red, green, blue.
D3DCOLORVALUE ReadColour(const udf::UdfNode& leaf) {
    float argb[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    if (leaf.data()) {
        std::memcpy(argb, leaf.data(), std::min<std::uint32_t>(leaf.size(), sizeof argb));
    }
    return {argb[1], argb[2], argb[3], argb[0]};
}

}  // namespace

Light::RecordResult Light::FromRecord(const udf::UdfNode& record, std::unique_ptr<Light>& out) {
    const std::string_view type = record.typeName().view();
    D3DLIGHTTYPE kind;
    if (type == "PointLight") {
        kind = D3DLIGHT_POINT;
    } else if (type == "DirLight") {
        kind = D3DLIGHT_DIRECTIONAL;
    } else if (type == "SpotLight") {
        kind = D3DLIGHT_SPOT;
    } else {
        return RecordResult::UnknownType;
    }
    Matrix nodeTm, objectTm;
    if (!ReadTransform(record, "NodeTM", nodeTm) || !ReadTransform(record, "ObjectTM", objectTm)) {
        return RecordResult::Unusable;
    }
    Matrix m = MatrixMultiply(objectTm, nodeTm);
    Vector3 scale, translation;
    Quaternion rotation;
    if (!MatrixDecompose(scale, rotation, translation, m)) {
        translation = {m.m[3][0], m.m[3][1], m.m[3][2]};
    }
    m.m[3][0] = m.m[3][1] = m.m[3][2] = 0.0f;
    const Vector3 direction = Vec3Normalize(Vec3TransformNormal({0, -1, 0}, m));

    auto light = std::make_unique<Light>();
    D3DLIGHT9& l = light->light;
    l.Type = kind;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    // Without attenuation from the file the light keeps its full strength: a point or spot
    // light whose three attenuation factors are all 0 is not a valid device light.
    l.Attenuation0 = 1.0f;
    if (kind != D3DLIGHT_DIRECTIONAL) {
        l.Position = {translation.x, translation.y, translation.z};
        const float start = ReadReal(record, "AttStart", 0.0f);
        if (start != 0.0f) {
            l.Attenuation0 = 0.0f;
            l.Attenuation1 = 1.0f / start;
        }
    }
    if (kind != D3DLIGHT_POINT) {
        l.Direction = {direction.x, direction.y, direction.z};
    }
    if (kind == D3DLIGHT_SPOT) {
        l.Theta = ReadReal(record, "HotSpot", 0.0f);
        l.Phi = ReadReal(record, "FallOff", 0.0f);
        l.Falloff = 1.0f;
    }
    if (const udf::UdfNode* diffuse = record.findChild("Diffuse")) {
        l.Diffuse = ReadColour(*diffuse);
    }
    l.Range = ReadReal(record, "AttEnd", 0.0f);
    out = std::move(light);
    return RecordResult::Made;
}

bool Light::Affects(const BoundingBox& box) const {
    const Vector3 position{light.Position.x, light.Position.y, light.Position.z};
    switch (light.Type) {
        case D3DLIGHT_DIRECTIONAL:
            return true;
        case D3DLIGHT_POINT: {
            const float edge = 2.0f * std::fabs(light.Range);
            return box.Intersects({position, {edge, edge, edge}});
        }
        case D3DLIGHT_SPOT: {
            const float range = light.Range;
            const Vector3 direction{light.Direction.x, light.Direction.y, light.Direction.z};
            if (std::fabs(range) <= 0.001f || Vec3Length(direction) < 0.00001f) {
                return false;
            }
            const Vector3 d = Vec3Normalize(direction);
            const float r = std::tan(light.Phi) * range;
            const float edge = 2.0f * std::sqrt(r * r + range * range);
            return box.Intersects({position + d * (range * 0.5f), {edge, edge, edge}});
        }
        default:
            return false;
    }
}

void LightList::SetAll() const {
    Device* device = CurrentDevice();
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        lights_[i]->index = int(i);
        if (device) {
            device->SetLight(DWORD(i), &lights_[i]->light);
        }
    }
}

void LightList::Enable(std::size_t i, bool on) const {
    Device* device = CurrentDevice();
    if (!device) {
        return;
    }
    // Each light keeps what the device has, so a frame that changes nothing sends nothing.
    Light& light = *lights_[i];
    if (light.enabled == on && light.index == int(i)) {
        return;
    }
    if (Succeeded(device->LightEnable(DWORD(i), on ? 1 : 0))) {
        light.enabled = on;
        light.index = int(i);
    }
}

void LightList::EnableAll() const {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        Enable(i, true);
    }
}

void LightList::EnableFor(const BoundingBox& box) const {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        Enable(i, lights_[i]->Affects(box));
    }
}

void LightList::DisableAll() const {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        Enable(i, false);
    }
}

}  // namespace render
