#include "scene_converter.h"

#include <algorithm>
#include <cmath>

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include "core/ascii.h"
#include "render/scene/scene_records.h"
#include "udf/udf_binary_writer.h"

namespace udfconvert {

namespace {

using render::Key;
using render::Matrix;
using render::Quaternion;
using render::Vector3;

constexpr std::int32_t kFvfXyz = 0x002;
constexpr std::int32_t kFvfNormal = 0x010;
constexpr std::int32_t kFvfTex1 = 0x100;
constexpr std::int32_t kFvfTex2 = 0x200;

// Path units per second in camera path files.
constexpr float kPathUnitsPerSecond = 10.0f;

// The per-mesh render keys a node's extras may set.
constexpr const char* kMeshKeys[] = {"Usage",     "Blend",    "MinFilter", "MagFilter",
                                     "MipFilter", "TexAddrU", "TexAddrV",  "VertexAlign32",
                                     "AlphaUse",  "Alpha",    "Lit"};
constexpr const char* kColourKeys[] = {"Ambient", "Diffuse", "Specular", "Emissive"};

Matrix Compose(const Vector3& scale, const Quaternion& rotation, const Vector3& position) {
    return render::MatrixMultiply(
        render::MatrixMultiply(render::MatrixScaling(scale.x, scale.y, scale.z),
                               render::MatrixRotationQuaternion(rotation)),
        render::MatrixTranslation(position.x, position.y, position.z));
}

// A colour record: alpha first, then red, green and blue.
void AddColour(udf::UdfNode& record, const std::string& key, float r, float g, float b,
               float a = 1.0f) {
    const float argb[4] = {a, r, g, b};
    record.addLeaf(key, "color", argb, sizeof argb, true);
}

Key MakeKey(double seconds, float a, float b, float c, float d = 0.0f) {
    Key key;
    key.time = float(seconds);
    key.value[0] = a;
    key.value[1] = b;
    key.value[2] = c;
    key.value[3] = d;
    return key;
}

bool Near(const Vector3& a, const Vector3& b, float tolerance) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.z - b.z) <= tolerance;
}

bool SameRotation(const Quaternion& a, const Quaternion& b) {
    const float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    return std::fabs(dot) >= 1.0f - 1e-6f;
}

// "c" followed by a number without leading zeros: the node is camera path N.
bool IsPathName(const std::string& name) {
    if (name.size() < 2 || name.size() > 4 || (name[0] != 'c' && name[0] != 'C') ||
        name[1] == '0') {
        return false;
    }
    return std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool PlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

Vector3 MirrorPoint(float x, float y, float z) {
    return {100.0f * x, -100.0f * y, 100.0f * z};
}

Vector3 MirrorDirection(float x, float y, float z) {
    return {x, -y, z};
}

Quaternion MirrorRotation(float x, float y, float z, float w) {
    return {-x, y, -z, w};
}

Quaternion CameraRotation(const Quaternion& q) {
    // q followed by a half turn about X, which takes our +Z to -Z and +Y to -Y: the product
    // q * (1, 0, 0, 0).
    return {q.w, q.z, -q.y, -q.x};
}

SceneConverter::SceneConverter() = default;
SceneConverter::~SceneConverter() = default;

bool SceneConverter::IsCamera(const aiNode& node) const {
    return cameras_.count(node.mName.C_Str()) != 0;
}

std::string SceneConverter::MaterialName(unsigned material) const {
    std::string name;
    if (material < scene_->mNumMaterials) {
        aiString text;
        if (scene_->mMaterials[material]->Get(AI_MATKEY_NAME, text) == AI_SUCCESS) {
            name = text.C_Str();
        }
    }
    return name.empty() ? "material" + std::to_string(material) : name;
}

bool SceneConverter::HasMaterial(unsigned material) const {
    aiString text;
    return material < scene_->mNumMaterials &&
           scene_->mMaterials[material]->Get(AI_MATKEY_NAME, text) == AI_SUCCESS && text.length > 0;
}

std::string SceneConverter::Lightmap(const aiNode& node, const aiMesh& mesh) const {
    for (const Extras* extras : {document_.NodeExtras(node.mName.C_Str()),
                                 document_.MaterialExtras(MaterialName(mesh.mMaterialIndex))}) {
        if (!extras) {
            continue;
        }
        if (const auto found = extras->find("lightmap");
            found != extras->end() && found->second.kind == ExtraValue::Kind::Text) {
            return found->second.text;
        }
    }
    return {};
}

std::string SceneConverter::UniqueName(const std::string& wanted) {
    std::string name = wanted;
    for (int suffix = 2; usedNames_.count(core::AsciiLowered(name)); ++suffix) {
        name = wanted + "_" + std::to_string(suffix);
    }
    usedNames_.insert(core::AsciiLowered(name));
    return name;
}

const aiNodeAnim* SceneConverter::Channel(const aiNode& node, double& ticksPerSecond) const {
    for (unsigned a = 0; a < scene_->mNumAnimations; ++a) {
        const aiAnimation& animation = *scene_->mAnimations[a];
        for (unsigned c = 0; c < animation.mNumChannels; ++c) {
            if (animation.mChannels[c]->mNodeName == node.mName) {
                // glTF keys come in milliseconds when the importer gives no rate.
                ticksPerSecond = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : 1000;
                return animation.mChannels[c];
            }
        }
    }
    return nullptr;
}

bool SceneConverter::CheckNames(const aiNode& node, int depth, std::set<std::string>& folded) {
    if (depth > kMaxDepth) {
        error_ = "the node tree is deeper than " + std::to_string(kMaxDepth) + " levels";
        return false;
    }
    const std::string name = node.mName.C_Str();
    if (name.empty()) {
        error_ = "a node has no name";
        return false;
    }
    // The scene finds nodes by name without regard to case, and merges namesakes.
    if (!folded.insert(core::AsciiLowered(name)).second) {
        error_ = "two nodes are named \"" + name + "\" (names must differ ignoring case)";
        return false;
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
        if (!CheckNames(*node.mChildren[i], depth + 1, folded)) {
            return false;
        }
    }
    return true;
}

bool SceneConverter::CollectMaterialUses(const aiNode& node) {
    if (IsCamera(node)) {
        return true;
    }
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene_->mMeshes[node.mMeshes[i]];
        const std::string lightmap = Lightmap(node, mesh);
        if (!lightmap.empty() &&
            (!PlainFileName(lightmap) ||
             !FileUsable(document_.Folder(), lightmap, GltfDocument::kMaxFileBytes))) {
            error_ = "light map " + lightmap + " of \"" + node.mName.C_Str() + "\" is missing";
            return false;
        }
        if (!lightmap.empty() || HasMaterial(mesh.mMaterialIndex)) {
            materialNames_.emplace(MaterialUse{mesh.mMaterialIndex, lightmap}, std::string());
        }
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
        if (!CollectMaterialUses(*node.mChildren[i])) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<udf::UdfNode> SceneConverter::MaterialRecord(const std::string& recordName,
                                                             const aiMaterial& material,
                                                             const std::string& gltfName) {
    auto record = std::make_unique<udf::UdfNode>(recordName, "Material");
    record->setContainer();
    aiString path;
    if (material.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS) {
        const std::filesystem::path file = GltfDocument::DecodeUri(path.C_Str());
        if (!FileUsable(document_.Folder(), file.string(), GltfDocument::kMaxFileBytes)) {
            error_ = "image " + file.string() + " of material \"" + gltfName + "\" is missing";
            return nullptr;
        }
        udf::UdfNode* textures =
            record->addChild(std::make_unique<udf::UdfNode>("Textures", "Textures"));
        textures->addChild(std::make_unique<udf::UdfNode>("Diffuse", "Diffuse"))
            ->addString("FileName", file.filename().string());
    }
    aiColor4D diffuse;
    if (material.Get(AI_MATKEY_COLOR_DIFFUSE, diffuse) == AI_SUCCESS &&
        (diffuse.r != 1.0f || diffuse.g != 1.0f || diffuse.b != 1.0f)) {
        AddColour(*record, "Diffuse", diffuse.r, diffuse.g, diffuse.b);
        AddColour(*record, "Ambient", diffuse.r, diffuse.g, diffuse.b);
    }
    aiColor3D emissive;
    if (material.Get(AI_MATKEY_COLOR_EMISSIVE, emissive) == AI_SUCCESS &&
        (emissive.r != 0.0f || emissive.g != 0.0f || emissive.b != 0.0f)) {
        AddColour(*record, "Emissive", emissive.r, emissive.g, emissive.b);
    }
    if (const Extras* extras = document_.MaterialExtras(gltfName)) {
        if (const auto found = extras->find("TwoSided");
            found != extras->end() && found->second.Truthy()) {
            record->addInt("TwoSided", 1);
        }
        if (const auto found = extras->find("Opacity"); found != extras->end()) {
            const ExtraValue& value = found->second;
            if (value.kind == ExtraValue::Kind::Real || value.kind == ExtraValue::Kind::Int) {
                record->addReal("Opacity", value.kind == ExtraValue::Kind::Real
                                               ? value.real
                                               : float(value.integer));
            }
        }
        for (const char* key : kColourKeys) {
            const auto found = extras->find(key);
            if (found == extras->end() || found->second.kind != ExtraValue::Kind::Reals ||
                found->second.reals.size() < 3) {
                continue;
            }
            const std::vector<float>& c = found->second.reals;
            record->removeChild(key);
            AddColour(*record, key, c[0], c[1], c[2], c.size() > 3 ? c[3] : 1.0f);
        }
    }
    return record;
}

bool SceneConverter::BuildMaterials(udf::UdfNode& materials) {
    std::map<unsigned, int> uses;
    for (const auto& [use, name] : materialNames_) {
        ++uses[use.material];
    }
    for (auto& [use, name] : materialNames_) {
        const std::string base = MaterialName(use.material);
        // One material per light map atlas it is used with.
        name = uses[use.material] == 1 || use.lightmap.empty() ? base
                                                               : base + " (" + use.lightmap + ")";
        if (use.material >= scene_->mNumMaterials) {
            error_ = "a mesh names a material that does not exist";
            return false;
        }
        const aiMaterial& material = *scene_->mMaterials[use.material];
        if (use.lightmap.empty()) {
            std::unique_ptr<udf::UdfNode> record = MaterialRecord(name, material, base);
            if (!record) {
                return false;
            }
            materials.addChild(std::move(record));
            continue;
        }
        auto record = std::make_unique<udf::UdfNode>(name, "Material");
        udf::UdfNode* subs = record->addArray("Materials", "Material", 2);
        subs->setContainer();
        std::unique_ptr<udf::UdfNode> diffuse = MaterialRecord("0", material, base);
        if (!diffuse) {
            return false;
        }
        diffuse->addString("Name", base);
        diffuse->addInt("MaterialSubId", 0);
        subs->addChild(std::move(diffuse));
        // "LightMap" in the name makes the second stage modulate by two whatever else the
        // material's name holds; "Chrome" would turn on sphere mapping and is spelled apart.
        std::string bakedName = "baked_" + base + " LightMap";
        for (std::size_t at; (at = bakedName.find("Chrome")) != std::string::npos;) {
            bakedName[at] = 'c';
        }
        auto baked = std::make_unique<udf::UdfNode>("1", "Material");
        baked->addString("Name", bakedName);
        baked->addInt("MaterialSubId", 1);
        udf::UdfNode* textures =
            baked->addChild(std::make_unique<udf::UdfNode>("Textures", "Textures"));
        textures->addChild(std::make_unique<udf::UdfNode>("Diffuse", "Diffuse"))
            ->addString("FileName", use.lightmap);
        subs->addChild(std::move(baked));
        materials.addChild(std::move(record));
    }
    return true;
}

bool SceneConverter::AddMesh(const aiNode& node, const aiMesh& mesh, const Extras* extras,
                             bool mirrored, udf::UdfNode& record) {
    const std::string lightmap = Lightmap(node, mesh);
    const bool twoSets = !lightmap.empty();
    if (twoSets && !mesh.HasTextureCoords(1)) {
        error_ = "\"" + std::string(node.mName.C_Str()) + "\" has a light map but no second UV set";
        return false;
    }
    vertexTotal_ += mesh.mNumVertices;
    if (mesh.mNumVertices == 0 || vertexTotal_ > kMaxVertices) {
        error_ = "too many vertices (more than " + std::to_string(kMaxVertices) + ")";
        return false;
    }
    std::vector<float> verts;
    verts.reserve(std::size_t(mesh.mNumVertices) * (twoSets ? 10 : 8));
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        const aiVector3D& p = mesh.mVertices[v];
        const Vector3 position = MirrorPoint(p.x, p.y, p.z);
        Vector3 normal{0, 0, 1};
        if (mesh.HasNormals()) {
            const aiVector3D& n = mesh.mNormals[v];
            normal = MirrorDirection(n.x, n.y, n.z);
        }
        verts.insert(verts.end(),
                     {position.x, position.y, position.z, normal.x, normal.y, normal.z});
        for (unsigned set = 0; set < (twoSets ? 2u : 1u); ++set) {
            if (mesh.HasTextureCoords(set)) {
                verts.insert(verts.end(),
                             {mesh.mTextureCoords[set][v].x, mesh.mTextureCoords[set][v].y});
            } else {
                verts.insert(verts.end(), {0.0f, 0.0f});
            }
        }
    }
    std::vector<std::uint32_t> indices;
    indices.reserve(std::size_t(mesh.mNumFaces) * 3);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) {
            continue;
        }
        // Ours shows the same picture, but our front faces are clockwise on screen where
        // glTF's are counter-clockwise: swapping two corners turns them. Under a mirroring
        // world transform (negative determinant) glTF's front faces show clockwise already,
        // so they keep their order.
        if (mirrored) {
            indices.insert(indices.end(), {face.mIndices[0], face.mIndices[1], face.mIndices[2]});
        } else {
            indices.insert(indices.end(), {face.mIndices[0], face.mIndices[2], face.mIndices[1]});
        }
    }
    // A primitive without a material draws with the scene's default block.
    if (const auto material = materialNames_.find(MaterialUse{mesh.mMaterialIndex, lightmap});
        material != materialNames_.end()) {
        record.addString("MaterialName", material->second);
    }
    record.addInt("FVF", kFvfXyz | kFvfNormal | (twoSets ? kFvfTex2 : kFvfTex1));
    const bool wide = mesh.mNumVertices > 0xFFFF;
    record.addInt("IndexSize", wide ? 4 : 2);
    record.addInt("NumVerts", std::int32_t(mesh.mNumVertices));
    record.addInt("NumIndexes", std::int32_t(indices.size()));
    render::AddRaw(record, "Verts", verts);
    if (wide) {
        render::AddRaw(record, "Indexes", indices);
    } else {
        render::AddRaw(record, "Indexes",
                       std::vector<std::uint16_t>(indices.begin(), indices.end()));
    }
    if (!extras) {
        return true;
    }
    for (const char* key : kMeshKeys) {
        const auto found = extras->find(key);
        if (found == extras->end()) {
            continue;
        }
        const ExtraValue& value = found->second;
        if (std::string_view(key) == "AlphaUse" && value.kind != ExtraValue::Kind::Text) {
            // A number asks for the "Alpha" factor (or for nothing, when 0).
            record.addString(key, value.Truthy() ? "factor" : "");
        } else if (std::string_view(key) == "Alpha" && value.kind == ExtraValue::Kind::Int) {
            record.addReal(key, float(value.integer));
        } else if (value.kind == ExtraValue::Kind::Int) {
            record.addInt(key, value.integer);
        } else if (value.kind == ExtraValue::Kind::Real) {
            record.addReal(key, value.real);
        } else if (value.kind == ExtraValue::Kind::Text) {
            record.addString(key, value.text);
        }
    }
    return true;
}

bool SceneConverter::AddAnimation(const aiNode& node, udf::UdfNode& record, const Vector3& scale,
                                  const Quaternion& rotation, const Vector3& position) {
    double rate = 0;
    const aiNodeAnim* channel = Channel(node, rate);
    if (!channel) {
        return true;
    }
    if (channel->mNumPositionKeys > kMaxKeys || channel->mNumRotationKeys > kMaxKeys ||
        channel->mNumScalingKeys > kMaxKeys) {
        error_ = "\"" + std::string(node.mName.C_Str()) + "\" has too many keys";
        return false;
    }
    // Tracks that only repeat the rest pose are left out: the node keeps its rest values.
    std::vector<Key> keys;
    bool moves = false;
    for (unsigned k = 0; k < channel->mNumScalingKeys; ++k) {
        const aiVectorKey& key = channel->mScalingKeys[k];
        keys.push_back(MakeKey(key.mTime / rate, key.mValue.x, key.mValue.y, key.mValue.z));
        moves = moves || !Near(keys.back().AsVector(), scale, 1e-5f);
    }
    if (moves) {
        render::AddTrack(record, "Scale", "Sample", keys);
    }
    keys.clear();
    moves = false;
    for (unsigned k = 0; k < channel->mNumRotationKeys; ++k) {
        const aiQuatKey& key = channel->mRotationKeys[k];
        const Quaternion q = MirrorRotation(key.mValue.x, key.mValue.y, key.mValue.z, key.mValue.w);
        keys.push_back(MakeKey(key.mTime / rate, q.x, q.y, q.z, q.w));
        moves = moves || !SameRotation(q, rotation);
    }
    if (moves) {
        render::AddTrack(record, "Rotation", "Sample", keys);
    }
    keys.clear();
    moves = false;
    for (unsigned k = 0; k < channel->mNumPositionKeys; ++k) {
        const aiVectorKey& key = channel->mPositionKeys[k];
        const Vector3 p = MirrorPoint(key.mValue.x, key.mValue.y, key.mValue.z);
        keys.push_back(MakeKey(key.mTime / rate, p.x, p.y, p.z));
        moves = moves || !Near(p, position, 1e-3f);
    }
    if (moves) {
        render::AddTrack(record, "Position", "Sample", keys);
    }
    return true;
}

bool SceneConverter::ConvertNode(const aiNode& node, udf::UdfNode& children) {
    if (IsCamera(node)) {
        return true;
    }
    const std::string name = node.mName.C_Str();
    std::vector<const aiMesh*> meshes;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh* mesh = scene_->mMeshes[node.mMeshes[i]];
        if ((mesh->mPrimitiveTypes & aiPrimitiveType_TRIANGLE) && mesh->mNumFaces > 0) {
            meshes.push_back(mesh);
        }
    }
    auto record = std::make_unique<udf::UdfNode>(name, meshes.empty() ? "Dummy" : "Mesh");
    record->setContainer();
    aiVector3D s, p;
    aiQuaternion q;
    node.mTransformation.Decompose(s, q, p);
    const Vector3 scale{s.x, s.y, s.z};
    const Quaternion rotation = MirrorRotation(q.x, q.y, q.z, q.w);
    const Vector3 position = MirrorPoint(p.x, p.y, p.z);
    render::AddTransforms(*record, Compose(scale, rotation, position));
    const Extras* extras = document_.NodeExtras(name);
    aiMatrix4x4 global;
    for (const aiNode* above = &node; above; above = above->mParent) {
        global = above->mTransformation * global;
    }
    const bool mirrored = global.Determinant() < 0;
    if (!meshes.empty() && !AddMesh(node, *meshes[0], extras, mirrored, *record)) {
        return false;
    }
    if (!AddAnimation(node, *record, scale, rotation, position)) {
        return false;
    }
    // Each further material of the mesh is a child mesh that moves with it.
    for (std::size_t i = 1; i < meshes.size(); ++i) {
        auto part =
            std::make_unique<udf::UdfNode>(UniqueName(name + "#" + std::to_string(i)), "Mesh");
        part->setContainer();
        render::AddTransforms(*part, render::MatrixIdentity());
        if (!AddMesh(node, *meshes[i], extras, mirrored, *part)) {
            return false;
        }
        render::Children(*record)->addChild(std::move(part));
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
        if (!IsCamera(*node.mChildren[i]) &&
            !ConvertNode(*node.mChildren[i], *render::Children(*record))) {
            return false;
        }
    }
    children.addChild(std::move(record));
    return true;
}

bool SceneConverter::ConvertCamera(const aiNode& node, const std::string& fileName,
                                   std::vector<OutputFile>& files) {
    aiMatrix4x4 parent;
    for (const aiNode* above = node.mParent; above; above = above->mParent) {
        parent = above->mTransformation * parent;
    }
    aiVector3D parentScale, parentPosition;
    aiQuaternion parentRotation;
    parent.Decompose(parentScale, parentRotation, parentPosition);

    std::vector<aiVectorKey> positions;
    std::vector<aiQuatKey> rotations;
    double rate = 1;
    if (const aiNodeAnim* channel = Channel(node, rate)) {
        if (channel->mNumPositionKeys > kMaxKeys || channel->mNumRotationKeys > kMaxKeys) {
            error_ = "camera \"" + fileName + "\" has too many keys";
            return false;
        }
        positions.assign(channel->mPositionKeys,
                         channel->mPositionKeys + channel->mNumPositionKeys);
        rotations.assign(channel->mRotationKeys,
                         channel->mRotationKeys + channel->mNumRotationKeys);
        // Blender's exporter turns animated camera keys by its Y-up camera correction (a
        // quarter turn about -X) even when it keeps Z up; the node's rest rotation has none.
        // A quarter turn back about +X restores the camera's own rotation.
        if (document_.FromBlender()) {
            const float half = std::sqrt(0.5f);
            for (aiQuatKey& key : rotations) {
                key.mValue = key.mValue * aiQuaternion(half, half, 0.0f, 0.0f);
            }
        }
    }
    aiVector3D s, p;
    aiQuaternion q;
    node.mTransformation.Decompose(s, q, p);
    if (positions.empty()) {
        positions.push_back(aiVectorKey(0.0, p));
    }
    if (rotations.empty()) {
        rotations.push_back(aiQuatKey(0.0, q));
    }
    std::vector<std::unique_ptr<udf::UdfNode>> keys;
    for (std::size_t i = 0; i < std::max(positions.size(), rotations.size()); ++i) {
        if (i < positions.size()) {
            const aiVector3D world = parent * positions[i].mValue;
            const Vector3 at = MirrorPoint(world.x, world.y, world.z);
            const Key key =
                MakeKey(positions[i].mTime / rate * kPathUnitsPerSecond, at.x, at.y, at.z);
            keys.push_back(
                udf::UdfNode::makeLeaf("pos" + std::to_string(i), "pos", &key, sizeof key, true));
        }
        if (i < rotations.size()) {
            const aiQuaternion world = parentRotation * rotations[i].mValue;
            const Quaternion turn =
                CameraRotation(MirrorRotation(world.x, world.y, world.z, world.w));
            const Key key = MakeKey(rotations[i].mTime / rate * kPathUnitsPerSecond, turn.x, turn.y,
                                    turn.z, turn.w);
            keys.push_back(
                udf::UdfNode::makeLeaf("rot" + std::to_string(i), "rot", &key, sizeof key, true));
        }
    }
    std::vector<const udf::UdfNode*> nodes;
    for (const auto& key : keys) {
        nodes.push_back(key.get());
    }
    OutputFile file{core::AsciiLowered(fileName) + ".cam", {}};
    if (!udf::UdfBinaryWriter::toBytes(nodes, file.bytes)) {
        error_ = "cannot write " + file.name;
        return false;
    }
    files.push_back(std::move(file));
    return true;
}

bool SceneConverter::Convert(const std::filesystem::path& gltf, std::vector<OutputFile>& files,
                             std::string& error) {
    files.clear();
    if (!document_.Load(gltf, error)) {
        return false;
    }
    importer_ = std::make_unique<Assimp::Importer>();
    // Points and lines are no part of a scene file.
    importer_->SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                  aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // The importer turns glTF's texture coordinates upside down; flipping them back keeps
    // glTF's top-left origin, which is ours too.
    scene_ = importer_->ReadFile(gltf.string(), aiProcess_Triangulate | aiProcess_SortByPType |
                                                    aiProcess_GenNormals | aiProcess_FlipUVs |
                                                    aiProcess_ValidateDataStructure);
    if (!scene_ || !scene_->mRootNode || (scene_->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        error = "cannot import " + gltf.string() + ": " + importer_->GetErrorString();
        return false;
    }
    for (unsigned i = 0; i < scene_->mNumCameras; ++i) {
        cameras_.insert(scene_->mCameras[i]->mName.C_Str());
    }
    // With several top-level nodes the importer adds a root of its own; with one, that node is
    // the root.
    const aiNode& root = *scene_->mRootNode;
    std::vector<const aiNode*> tops;
    if (document_.SceneRoots().size() == 1 && document_.SceneRoots().count(root.mName.C_Str())) {
        tops.push_back(&root);
    } else {
        for (unsigned i = 0; i < root.mNumChildren; ++i) {
            tops.push_back(root.mChildren[i]);
        }
    }
    std::set<std::string> folded;
    for (const aiNode* top : tops) {
        if (!CheckNames(*top, 1, folded) || !CollectMaterialUses(*top)) {
            error = error_;
            return false;
        }
    }
    usedNames_ = folded;

    udf::UdfNode file("_root", "_roottype");
    udf::UdfNode* materials =
        file.addChild(std::make_unique<udf::UdfNode>("Materials", "Materials"));
    materials->setContainer();
    udf::UdfNode* children = render::Children(file);
    if (!BuildMaterials(*materials)) {
        error = error_;
        return false;
    }
    for (const aiNode* top : tops) {
        if (!ConvertNode(*top, *children)) {
            error = error_;
            return false;
        }
    }
    OutputFile scene{"clock.UDF", {}};
    if (!udf::UdfBinaryWriter::toBytes({materials, children}, scene.bytes)) {
        error = "cannot write clock.UDF";
        return false;
    }
    files.push_back(std::move(scene));

    // Camera nodes anywhere in the tree become path files.
    std::vector<const aiNode*> pending(tops.begin(), tops.end());
    while (!pending.empty()) {
        const aiNode* node = pending.back();
        pending.pop_back();
        if (IsCamera(*node) && IsPathName(node->mName.C_Str()) &&
            !ConvertCamera(*node, node->mName.C_Str(), files)) {
            error = error_;
            return false;
        }
        for (unsigned i = 0; i < node->mNumChildren; ++i) {
            pending.push_back(node->mChildren[i]);
        }
    }
    return true;
}

}  // namespace udfconvert
