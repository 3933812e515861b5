#include "render/scene/skin.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "render/scene/node.h"
#include "render/scene/record_fields.h"
#include "render/scene/vertex_data.h"
#include "udf/udf_node.h"

namespace render {

namespace {

bool ReadWords(const udf::UdfNode* node, std::uint32_t count, std::vector<std::uint32_t>& out) {
    if (!node || !node->data() || std::uint64_t(count) * 4 > node->size()) {
        return false;
    }
    out.resize(count);
    std::memcpy(out.data(), node->data(), std::size_t(count) * 4);
    return true;
}

}  // namespace

std::unique_ptr<Skin> Skin::Load(const udf::UdfNode& mesh, std::uint32_t vertexCount) {
    const udf::UdfNode* names = mesh.findChild("BoneNames");
    if (!names) {
        return nullptr;
    }
    auto skin = std::make_unique<Skin>();
    const std::size_t boneCount = names->childCount();
    skin->boneNames_.resize(boneCount);
    std::vector<bool> seen(boneCount, false);
    for (const udf::UdfNode::Child& child : names->children()) {
        std::size_t number = 0;
        const char* first = child.name.data();
        const char* last = first + child.name.size();
        const auto [end, error] = std::from_chars(first, last, number);
        if (error != std::errc() || end != last || number >= boneCount || seen[number]) {
            return nullptr;
        }
        seen[number] = true;
        skin->boneNames_[number] = FieldText(*child.node);
    }
    if (!ReadWords(mesh.findChild("VertBoneOffs"), vertexCount, skin->offsets_) ||
        !ReadWords(mesh.findChild("VertBoneNums"), vertexCount, skin->counts_)) {
        return nullptr;
    }
    const udf::UdfNode* weights = mesh.findChild("BoneWeights");
    if (!weights || !weights->data()) {
        return nullptr;
    }
    const std::size_t entries = weights->size() / 8;
    std::uint64_t needed = 0;
    for (std::uint32_t count : skin->counts_) {
        needed += count;
    }
    if (needed > entries) {
        return nullptr;
    }
    skin->weights_.resize(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        std::memcpy(&skin->weights_[i].bone, weights->data() + i * 8, 4);
        std::memcpy(&skin->weights_[i].weight, weights->data() + i * 8 + 4, 4);
        if (skin->weights_[i].bone >= boneCount || !std::isfinite(skin->weights_[i].weight)) {
            return nullptr;
        }
    }
    return skin;
}

bool Skin::Bind(const Node& root) {
    bones_.clear();
    bound_ = false;
    std::vector<const Matrix*> found;
    found.reserve(boneNames_.size());
    for (const std::string& name : boneNames_) {
        const Node* bone = root.Find(name);
        if (!bone) {
            return false;
        }
        found.push_back(&bone->GetSkinningMatrix());
    }
    bones_ = std::move(found);
    bound_ = true;
    return true;
}

BoundingBox Skin::Deform(const VertexData& source, const Matrix& world, std::uint8_t* out,
                         std::uint32_t outStride) const {
    if (!bound_) {
        return {};
    }
    std::vector<Matrix> matrices(bones_.size());
    for (std::size_t b = 0; b < bones_.size(); ++b) {
        matrices[b] = MatrixMultiply(world, *bones_[b]);
    }
    Vector3 low{}, high{};
    std::size_t entry = 0;
    for (std::uint32_t v = 0; v < source.vertexCount; ++v) {
        std::uint8_t* target = out + std::size_t(v) * outStride;
        std::memcpy(target, source.vertices + std::size_t(v) * source.stride, source.stride);
        const Vector3 p = source.Position(v);
        Vector3 result{};
        for (std::uint32_t i = 0; i < counts_[v]; ++i, ++entry) {
            const BoneWeight& w = weights_[entry];
            result = result + Vec3TransformPoint(p, matrices[w.bone]) * w.weight;
        }
        const float xyz[3] = {result.x, result.y, result.z};
        std::memcpy(target, xyz, sizeof xyz);
        if (v == 0) {
            low = high = result;
        }
        low = {std::min(low.x, result.x), std::min(low.y, result.y), std::min(low.z, result.z)};
        high = {std::max(high.x, result.x), std::max(high.y, result.y), std::max(high.z, result.z)};
    }
    return BoundingBox::FromMinMax(low, high);
}

}  // namespace render
