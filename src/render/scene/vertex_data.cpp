#include "render/scene/vertex_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/d3d_types.h"
#include "udf/udf_node.h"

namespace render {

namespace {

bool ReadCount(const udf::UdfNode& mesh, std::string_view key, std::uint32_t& value) {
    const udf::UdfNode* node = mesh.findChild(key);
    if (!node || node->size() < 4) {
        return false;
    }
    const std::int32_t read = node->asInt();
    if (read < 0) {
        return false;
    }
    value = std::uint32_t(read);
    return true;
}

}  // namespace

std::uint32_t BufferStride(std::uint32_t stride, bool align32) {
    return align32 ? (stride + 31u) / 32u * 32u : stride;
}

Vector3 VertexData::Position(std::uint32_t vertex) const {
    float p[3];
    std::memcpy(p, vertices + std::size_t(vertex) * stride, sizeof p);
    return {p[0], p[1], p[2]};
}

BoundingBox VertexData::Bounds() const {
    if (vertexCount == 0) {
        return {};
    }
    Vector3 low = Position(0);
    Vector3 high = low;
    for (std::uint32_t v = 1; v < vertexCount; ++v) {
        const Vector3 p = Position(v);
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    return BoundingBox::FromMinMax(low, high);
}

std::unique_ptr<VertexData> VertexData::Load(const std::string& name, const udf::UdfNode& mesh) {
    auto data = std::make_unique<VertexData>();
    data->name = name;
    std::uint32_t fvf = 0;
    if (!ReadCount(mesh, "FVF", fvf) || !ReadCount(mesh, "IndexSize", data->indexSize) ||
        !ReadCount(mesh, "NumVerts", data->vertexCount) ||
        !ReadCount(mesh, "NumIndexes", data->indexCount)) {
        return nullptr;
    }
    data->fvf = fvf;
    if (data->vertexCount == 0) {
        return nullptr;
    }
    if (data->indexSize != 2 && data->indexSize != 4) {
        return nullptr;
    }
    const udf::UdfNode* verts = mesh.findChild("Verts");
    if (!verts || !verts->data() || verts->size() < data->vertexCount) {
        return nullptr;
    }
    data->stride = verts->size() / data->vertexCount;
    // Every vertex must hold at least its position and what its format declares.
    if (data->stride < 12 || data->stride < gfx::FvfStride(fvf)) {
        return nullptr;
    }
    data->vertices = verts->data();
    for (std::uint32_t v = 0; v < data->vertexCount; ++v) {
        const Vector3 p = data->Position(v);
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            return nullptr;
        }
    }
    if (data->indexCount > 0) {
        const udf::UdfNode* indexes = mesh.findChild("Indexes");
        if (!indexes || !indexes->data() ||
            std::uint64_t(data->indexCount) * data->indexSize > indexes->size()) {
            return nullptr;
        }
        data->indices = indexes->data();
        for (std::uint32_t i = 0; i < data->indexCount; ++i) {
            std::uint32_t index = 0;
            std::memcpy(&index, data->indices + std::size_t(i) * data->indexSize, data->indexSize);
            if (index >= data->vertexCount) {
                return nullptr;
            }
        }
    }
    return data;
}

}  // namespace render
