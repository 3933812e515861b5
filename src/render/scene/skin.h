// Skin: which bones move each vertex of a skinned mesh and by how much, and the CPU deformation
// that applies them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/math/bounding_box.h"
#include "render/math/matrix.h"

namespace udf {
class UdfNode;
}

namespace render {

class Node;
struct VertexData;

struct BoneWeight {
    std::uint32_t bone = 0;
    float weight = 0.0f;
};

class Skin {
public:
    // The mesh record's skin ("BoneNames", "VertBoneOffs", "VertBoneNums", "BoneWeights") for
    // `vertexCount` vertices, or null when the record has none or it does not hold together:
    // a bone number past the bone list, counts beyond the weights given, non-finite weights.
    static std::unique_ptr<Skin> Load(const udf::UdfNode& mesh, std::uint32_t vertexCount);

    // Finds each bone's node in `root` (ignoring case) and keeps its skinning matrix. A missing
    // bone leaves the skin unbound and answers false.
    bool Bind(const Node& root);
    bool IsBound() const { return bound_; }

    // Writes every vertex of `source` into `out` (whose vertices are `outStride` apart) with its
    // position moved by the bones, each bone's matrix taken after `world`; the other fields keep
    // their source values. Returns the box of the moved positions.
    BoundingBox Deform(const VertexData& source, const Matrix& world, std::uint8_t* out,
                       std::uint32_t outStride) const;

    const std::vector<std::string>& BoneNames() const { return boneNames_; }
    const std::vector<std::uint32_t>& BoneCounts() const { return counts_; }
    const std::vector<BoneWeight>& Weights() const { return weights_; }

private:
    std::vector<std::string> boneNames_;
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint32_t> counts_;
    std::vector<BoneWeight> weights_;
    std::vector<const Matrix*> bones_;
    bool bound_ = false;
};

}  // namespace render
