// VertexData: a mesh node's vertex and index bytes in the flexible-vertex-format layout, as the
// scene file holds them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "render/math/bounding_box.h"

namespace udf {
class UdfNode;
}

namespace render {

struct VertexData {
    std::string name;
    std::uint32_t fvf = 0;
    std::uint32_t stride = 0;
    std::uint32_t vertexCount = 0;
    // Both point into the scene file's parsed bytes, which the scene keeps for its lifetime.
    const std::uint8_t* vertices = nullptr;
    const std::uint8_t* indices = nullptr;
    std::uint32_t indexCount = 0;
    std::uint32_t indexSize = 2;

    Vector3 Position(std::uint32_t vertex) const;
    // The box around every vertex position.
    BoundingBox Bounds() const;

    // The mesh record's vertex data, or null when a required key is missing, "NumVerts" is 0,
    // or the counts, sizes or indices do not fit the bytes given.
    static std::unique_ptr<VertexData> Load(const std::string& name, const udf::UdfNode& mesh);
};

// The stride a buffer gets: rounded up to a multiple of 32 bytes when `align32` is set.
std::uint32_t BufferStride(std::uint32_t stride, bool align32);

}  // namespace render
