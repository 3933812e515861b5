#include "render/scene/scene.h"

#include <cstring>

#include "core/ascii.h"
#include "render/scene/animation/animation.h"
#include "render/scene/mesh.h"
#include "render/scene/record_fields.h"
#include "render/scene/skin.h"
#include "render/scene/vertex_data.h"
#include "udf/udf_binary_reader.h"
#include "udf/udf_node.h"
#include "vfs/stream.h"

namespace render {

namespace {

// Differences from the identity below this make no object transform.
constexpr float kIdentityTolerance = 0.01f;

// The record's node name: a "Name" member when there is one, else the record's own name.
std::string NodeName(const udf::UdfNode& record) {
    if (const udf::UdfNode* name = record.findChild("Name"); name && !name->isContainer()) {
        return FieldText(*name);
    }
    return record.name().str();
}

// The first node of each name in pre-order, as Node::Find would answer it.
using NameIndex = std::unordered_map<std::string, Node*>;

void IndexTree(Node& root, NameIndex& index) {
    std::vector<Node*> pending{&root};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        index.emplace(core::AsciiLowered(node->Name()), node);
        for (auto it = node->Children().rbegin(); it != node->Children().rend(); ++it) {
            pending.push_back(it->get());
        }
    }
}

}  // namespace

// Per load: records already visited (a file may link a record into itself or share one many
// times; each is loaded once), and the names of each tree so that a lookup costs no walk.
struct Scene::LoadState {
    std::unordered_set<const udf::UdfNode*> visited;
    std::unordered_map<const Node*, NameIndex> names;
};

Scene::Scene()
    : root_(std::make_unique<Node>("root", "Node")),
      cameraRoot_(std::make_unique<Node>("cameras", "Node")) {}

Scene::~Scene() {
    // Meshes refer to the vertex data and skins; drop the trees first.
    root_.reset();
    cameraRoot_.reset();
}

const VertexData* Scene::FindVertexData(std::string_view name) const {
    for (const auto& data : vertexData_) {
        if (NamesEqual(data->name, name)) {
            return data.get();
        }
    }
    return nullptr;
}

bool Scene::Load(std::string_view path, const vfs::SearchPaths& searchPaths) {
    vfs::FileSource source{core::EngineString(path)};
    source.flags = vfs::kSourceDisk | vfs::kSourceArchive;
    searchPaths.resolve(source);
    return Load(std::move(source), searchPaths);
}

bool Scene::Load(vfs::FileSource source, const vfs::SearchPaths& searchPaths) {
    path_ = source.path.str();
    searchPaths_ = searchPaths;
    if (vfs::FileSource folder = source.folder(); !folder.path.empty()) {
        searchPaths_.add(folder);
    }
    std::unique_ptr<vfs::Stream> stream = source.open(vfs::kModeRead);
    if (!stream) {
        return false;
    }
    auto reader = std::make_unique<udf::UdfBinaryReader>();
    udf::UdfNode* file = reader->attach(std::move(stream));
    if (!file || !file->load(0)) {
        return false;
    }
    udf::UdfBinaryReader* kept = reader.get();
    readers_.push_back(std::move(reader));
    LoadState state;
    if (const udf::UdfNode* materials = file->findChild("Materials")) {
        if (!materials_.LoadMaterialLibrary(*materials, defaults_, &searchPaths_)) {
            return false;
        }
    }
    if (const udf::UdfNode* cameras = file->findChild("Cameras")) {
        for (const auto& member : cameras->children()) {
            LoadNode(state, *member.node, *cameraRoot_, *cameraRoot_, 1);
        }
    }
    if (const udf::UdfNode* lights = file->findChild("Lights")) {
        for (const auto& member : lights->children()) {
            if (!RegisterLight(*member.node)) {
                return false;
            }
        }
    }
    if (const udf::UdfNode* children = file->findChild("Children")) {
        for (const auto& member : children->children()) {
            LoadNode(state, *member.node, *root_, *root_, 1);
        }
    }
    ComputeBind(*root_, MatrixIdentity());
    // A skin whose bones are missing is left unbound: its mesh is not drawn.
    for (auto& [mesh, skin] : awaitingBind_) {
        skin->Bind(*root_);
    }
    awaitingBind_.clear();
    kept->close();
    return true;
}

void Scene::LoadNode(LoadState& state, const udf::UdfNode& record, Node& parent, Node& searchRoot,
                     int depth) {
    if (depth > kMaxDepth || !record.isContainer() || !state.visited.insert(&record).second) {
        return;
    }
    const std::string name = NodeName(record);
    auto [found, made] = state.names.try_emplace(&searchRoot);
    NameIndex& index = found->second;
    if (made) {
        IndexTree(searchRoot, index);
    }
    Node*& node = index[core::AsciiLowered(name)];
    if (!node) {
        node = parent.AddChild(std::make_unique<Node>(name, record.typeName().str()));
        if (record.typeName().view() == "Mesh") {
            CreateDrawable(*node, record);
        }
    }
    SetNodeTransforms(*node, record);
    if (const udf::UdfNode* animation = record.findChild("Animation")) {
        auto loaded = std::make_shared<Animation>();
        node->SetAnimation(loaded->Load(*animation) ? loaded : nullptr);
    }
    if (const udf::UdfNode* children = record.findChild("Children")) {
        for (const auto& member : children->children()) {
            LoadNode(state, *member.node, *node, searchRoot, depth + 1);
        }
    }
}

void Scene::CreateDrawable(Node& node, const udf::UdfNode& record) {
    std::unique_ptr<VertexData> data = VertexData::Load(node.Name(), record);
    if (!data) {
        return;
    }
    std::unique_ptr<Skin> skin;
    if (record.findChild("BoneNames")) {
        skin = Skin::Load(record, data->vertexCount);
        if (!skin) {
            return;
        }
    }
    const RenderStates* material = nullptr;
    if (const udf::UdfNode* materialName = record.findChild("MaterialName")) {
        material = materials_.Find(FieldText(*materialName));
    }
    std::unique_ptr<Mesh> mesh = CreateMesh(node, record, material, *data, skin.get());
    if (!mesh) {
        return;
    }
    if (skin) {
        awaitingBind_.emplace_back(mesh.get(), skin.get());
        skins_.push_back(std::move(skin));
    }
    meshes_.push_back(mesh.get());
    vertexData_.push_back(std::move(data));
    node.SetDrawable(std::move(mesh));
}

std::unique_ptr<Mesh> Scene::CreateMesh(Node&, const udf::UdfNode& meshNode,
                                        const RenderStates* material, const VertexData& vertexData,
                                        const Skin* skin) {
    RenderStates states = material ? *material : defaults_;
    ApplyMeshKeys(meshNode, states);
    const udf::UdfNode* align = meshNode.findChild("VertexAlign32");
    const bool align32 = align && (FieldText(*align) == "1" ||
                                   (align->typeName().view() == "int" && align->asInt() == 1));
    auto mesh = std::make_unique<Mesh>(states, vertexData, skin,
                                       ParseUsage(meshNode.findChild("Usage"), skin != nullptr),
                                       align32, buffers_);
    // Without a device the mesh waits for the next restore.
    mesh->RestoreDeviceObjects();
    return mesh;
}

bool Scene::RegisterLight(const udf::UdfNode& record) {
    std::unique_ptr<Light> light;
    switch (Light::FromRecord(record, light)) {
        case Light::RecordResult::Made:
            lights_.Add(std::move(light));
            return true;
        case Light::RecordResult::Unusable:
            return true;
        case Light::RecordResult::UnknownType:
            break;
    }
    return false;
}

void Scene::SetNodeTransforms(Node& node, const udf::UdfNode& record) {
    Matrix nodeTm, objectTm;
    // Without both the node keeps the transforms it has.
    if (ReadMatrix(record, "NodeTM", nodeTm) != FieldRead::Read ||
        ReadMatrix(record, "ObjectTM", objectTm) != FieldRead::Read) {
        return;
    }
    Vector3 scale, position;
    Quaternion rotation;
    if (MatrixDecompose(scale, rotation, position, nodeTm)) {
        node.SetNodeTransform(position, rotation, scale);
    } else {
        node.SetNodeMatrix(nodeTm);
    }
    node.SetObjectTransform(MatrixIsIdentity(objectTm, kIdentityTolerance) ? nullptr : &objectTm);
}

void Scene::ComputeBind(Node& node, const Matrix& parentWorld) {
    // Iterative: the tree's depth is bounded, but not the call stack's patience in every build.
    std::vector<std::pair<Node*, Matrix>> pending{{&node, parentWorld}};
    while (!pending.empty()) {
        auto [current, parent] = pending.back();
        pending.pop_back();
        const Matrix world = MatrixMultiply(current->GetRestMatrix(), parent);
        Matrix inverse = MatrixIdentity();
        MatrixInverse(inverse, world);
        current->SetBind(world, inverse);
        for (const auto& child : current->Children()) {
            pending.emplace_back(child.get(), world);
        }
    }
}

void Scene::PrepareDrawing() {
    for (Mesh* mesh : meshes_) {
        mesh->PrepareProgram();
    }
}

bool Scene::RestoreDeviceObjects() {
    buffers_.Clear();
    bool ok = true;
    for (Mesh* mesh : meshes_) {
        ok = mesh->RestoreDeviceObjects() && ok;
    }
    return ok;
}

void Scene::InvalidateDeviceObjects() {
    for (Mesh* mesh : meshes_) {
        mesh->InvalidateDeviceObjects();
    }
    buffers_.Clear();
}

}  // namespace render
