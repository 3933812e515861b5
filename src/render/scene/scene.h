// Scene: the node tree and camera tree of a scene file, with the materials, lights, vertex data
// and shared buffers its meshes use.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "render/scene/light.h"
#include "render/scene/material_library.h"
#include "render/scene/mesh_buffers.h"
#include "render/scene/node.h"
#include "render/states/render_states.h"
#include "vfs/file_source.h"
#include "vfs/search_paths.h"

namespace udf {
class UdfBinaryReader;
class UdfNode;
}  // namespace udf

namespace render {

class Mesh;
class Skin;
struct VertexData;

class Scene {
public:
    // Trees deeper than this are cut: the nodes below are left out.
    static constexpr int kMaxDepth = 256;

    Scene();
    virtual ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Loads (or merges) a scene file found through `searchPaths`; texture names are looked up
    // in the file's folder and those paths. False when the file can't be read, a material or a
    // light record fails.
    bool Load(std::string_view path, const vfs::SearchPaths& searchPaths);
    // The same from any source (a memory block, for instance).
    bool Load(vfs::FileSource source, const vfs::SearchPaths& searchPaths);

    Node* GetRoot() { return root_.get(); }
    Node* GetCameraRoot() { return cameraRoot_.get(); }
    MaterialLibrary& GetMaterials() { return materials_; }
    LightList& GetLights() { return lights_; }
    const RenderStates& GetDefaultStates() const { return defaults_; }
    const VertexData* FindVertexData(std::string_view name) const;
    MeshBuffers& GetBuffers() { return buffers_; }
    const std::string& GetPath() const { return path_; }

    // Builds the programs of every mesh under the frame states already set (fog, lighting,
    // specular), so the first frame compiles nothing. Call after loading and after a reset.
    void PrepareDrawing();

    // Rebuilds or releases every mesh's buffers around a device reset.
    bool RestoreDeviceObjects();
    void InvalidateDeviceObjects();

protected:
    // The loader's creation steps, in this order of slots; a subclass may replace them.
    virtual std::unique_ptr<Mesh> CreateMesh(Node& node, const udf::UdfNode& meshNode,
                                             const RenderStates* material,
                                             const VertexData& vertexData, const Skin* skin);
    virtual bool RegisterLight(const udf::UdfNode& record);
    virtual void SetNodeTransforms(Node& node, const udf::UdfNode& record);

private:
    struct LoadState;

    void LoadNode(LoadState& state, const udf::UdfNode& record, Node& parent, Node& searchRoot,
                  int depth);
    void CreateDrawable(Node& node, const udf::UdfNode& record);
    void ComputeBind(Node& node, const Matrix& parentWorld);

    std::string path_;
    vfs::SearchPaths searchPaths_;
    std::unique_ptr<Node> root_;
    std::unique_ptr<Node> cameraRoot_;
    MaterialLibrary materials_;
    RenderStates defaults_;
    LightList lights_;
    MeshBuffers buffers_;
    std::vector<std::unique_ptr<udf::UdfBinaryReader>> readers_;
    std::vector<std::unique_ptr<VertexData>> vertexData_;
    std::vector<std::unique_ptr<Skin>> skins_;
    std::vector<Mesh*> meshes_;
    std::vector<std::pair<Mesh*, Skin*>> awaitingBind_;
};

}  // namespace render
