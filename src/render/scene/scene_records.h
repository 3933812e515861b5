// Writes the records a scene file is made of (transforms, raw vertex data, child arrays,
// animation tracks) into UdfNode trees that the UDF writer then stores.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "render/math/matrix.h"
#include "render/scene/animation/key.h"
#include "udf/udf_node.h"

namespace render {

// A "matrix" value: the sixteen floats and a classification word of 0.
inline std::vector<std::uint8_t> MatrixBytes(const Matrix& m) {
    std::vector<std::uint8_t> bytes(68, 0);
    std::memcpy(bytes.data(), m.m, 64);
    return bytes;
}

inline void AddMatrix(udf::UdfNode& record, const std::string& key, const Matrix& m) {
    const auto bytes = MatrixBytes(m);
    record.addLeaf(key, "matrix", bytes.data(), 68, true);
}

inline void AddTransforms(udf::UdfNode& record, const Matrix& nodeTm,
                          const Matrix& objectTm = MatrixIdentity()) {
    AddMatrix(record, "NodeTM", nodeTm);
    AddMatrix(record, "ObjectTM", objectTm);
}

// An untyped leaf holding `values` as they lie in memory.
template <typename T>
void AddRaw(udf::UdfNode& record, const std::string& key, const std::vector<T>& values) {
    record.addLeaf(key, "", values.data(), std::uint32_t(values.size() * sizeof(T)), true);
}

// The record's "Children" array, made empty when it has none yet.
inline udf::UdfNode* Children(udf::UdfNode& record) {
    if (udf::UdfNode* existing = record.findChild("Children")) {
        return existing;
    }
    udf::UdfNode* array = record.addArray("Children", "Node", 0);
    array->setContainer();
    return array;
}

// `member` ("Position", "Scale" or "Rotation") of the record's "Animation", an array of `type`
// ("Sample" or "Linear") holding one "AniKey" per key.
inline void AddTrack(udf::UdfNode& record, const std::string& member, const std::string& type,
                     const std::vector<Key>& keys) {
    udf::UdfNode* animation = record.findChild("Animation");
    if (!animation) {
        animation = record.addChild(std::make_unique<udf::UdfNode>("Animation", "Animation"));
        animation->setContainer();
    }
    udf::UdfNode* array = animation->addArray(member, type, std::uint32_t(keys.size()));
    array->setContainer();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        array->addLeaf(std::to_string(i), "AniKey", &keys[i], sizeof(Key), true);
    }
}

}  // namespace render
