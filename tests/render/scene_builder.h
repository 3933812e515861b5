// Builds scene files for the tests with the engine's own UDF writer: boxes, dummies, keys,
// lights; the record helpers they use are the converter's (render/scene_records.h).
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "render/math/matrix.h"
#include "render/scene/animation/key.h"
#include "render/scene/scene_records.h"
#include "udf/udf_binary_writer.h"
#include "udf/udf_node.h"

namespace render::test {

// Vertices of format XYZ | NORMAL | TEX2 (40 bytes): position, a normal pointing out of the
// corner, uv, uv2.
inline std::vector<float> BoxVertices(Vector3 centre, Vector3 size) {
    std::vector<float> v;
    for (int i = 0; i < 8; ++i) {
        v.push_back(centre.x + ((i & 1) ? 0.5f : -0.5f) * size.x);
        v.push_back(centre.y + ((i & 2) ? 0.5f : -0.5f) * size.y);
        v.push_back(centre.z + ((i & 4) ? 0.5f : -0.5f) * size.z);
        const float n = 0.57735027f;
        v.insert(v.end(), {(i & 1) ? n : -n, (i & 2) ? n : -n, (i & 4) ? n : -n, float(i & 1),
                           float((i >> 1) & 1), 0.5f, 0.5f});
    }
    return v;
}

inline std::vector<std::uint16_t> BoxIndices() {
    return {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7, 0, 4, 1, 1, 4, 5,
            2, 3, 6, 6, 3, 7, 0, 2, 4, 4, 2, 6, 1, 5, 3, 3, 5, 7};
}

inline constexpr std::int32_t kBoxFvf = 0x002 | 0x010 | 0x200;  // XYZ | NORMAL | TEX2

// A mesh record with a box's vertices.
inline udf::UdfNode* AddBox(udf::UdfNode& children, const std::string& name, Vector3 centre,
                            Vector3 size, const std::string& material = {}) {
    auto record = std::make_unique<udf::UdfNode>(name, "Mesh");
    if (!material.empty()) {
        record->addString("MaterialName", material);
    }
    record->addInt("FVF", kBoxFvf);
    record->addInt("IndexSize", 2);
    record->addInt("NumVerts", 8);
    record->addInt("NumIndexes", 36);
    AddRaw(*record, "Verts", BoxVertices(centre, size));
    AddRaw(*record, "Indexes", BoxIndices());
    AddTransforms(*record, MatrixIdentity());
    return children.addChild(std::move(record));
}

inline udf::UdfNode* AddDummy(udf::UdfNode& children, const std::string& name,
                              const Matrix& nodeTm = MatrixIdentity(),
                              const std::string& type = "Dummy") {
    auto record = std::make_unique<udf::UdfNode>(name, type);
    record->setContainer();
    AddTransforms(*record, nodeTm);
    return children.addChild(std::move(record));
}

inline Key MakeKey(float time, float x, float y = 0, float z = 0, float w = 0) {
    Key key;
    key.time = time;
    key.value[0] = x;
    key.value[1] = y;
    key.value[2] = z;
    key.value[3] = w;
    return key;
}

// A light record of type "PointLight", "DirLight" or "SpotLight".
inline udf::UdfNode* AddLight(udf::UdfNode& lights, const std::string& name,
                              const std::string& type, const Matrix& nodeTm, float attEnd,
                              float attStart = 0.0f) {
    auto record = std::make_unique<udf::UdfNode>(name, type);
    AddTransforms(*record, nodeTm);
    record->addReal("AttEnd", attEnd);
    record->addReal("AttStart", attStart);
    const float colour[4] = {1.0f, 0.5f, 0.25f, 0.125f};
    record->addLeaf("Diffuse", "color", colour, sizeof colour, true);
    return lights.addChild(std::move(record));
}

// The file's bytes for the root's members.
inline std::vector<std::uint8_t> SceneBytes(const udf::UdfNode& root) {
    std::vector<const udf::UdfNode*> nodes;
    for (const auto& child : root.children()) {
        nodes.push_back(child.node);
    }
    std::vector<std::uint8_t> bytes;
    udf::UdfBinaryWriter::toBytes(nodes, bytes);
    return bytes;
}

}  // namespace render::test
