// Mesh: the drawable of a scene node: its render states, its range of the scene's shared vertex
// and index buffers and, for a skinned mesh, the skin that deforms it before every draw.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx/device.h"
#include "render/device/device_object.h"
#include "render/math/bounding_box.h"
#include "render/math/matrix.h"
#include "render/scene/mesh_buffers.h"
#include "render/states/render_states.h"

namespace udf {
class UdfNode;
}

namespace render {

class LightList;
class Skin;
struct VertexData;

// Which transforms a mesh sets itself when drawn.
inline constexpr std::uint32_t kMeshSetsWorld = 0x1;
inline constexpr std::uint32_t kMeshSetsView = 0x2;
inline constexpr std::uint32_t kMeshSetsProjection = 0x4;

struct BufferUsage {
    std::uint32_t vertex = 0;
    std::uint32_t index = 0;
};

// The buffer usage a mesh record's "Usage" words ask for (null: the defaults for a skinned or a
// plain mesh).
BufferUsage ParseUsage(const udf::UdfNode* usage, bool skinned);

class Mesh : public DeviceObject {
public:
    // `vertexData` and `skin` stay with the caller (the scene) and must outlive the mesh.
    Mesh(const RenderStates& states, const VertexData& vertexData, const Skin* skin,
         BufferUsage usage, bool align32, MeshBuffers& buffers);
    ~Mesh() override;

    bool RestoreDeviceObjects() override;
    void InvalidateDeviceObjects() override;

    // Before drawing: takes the traversal's world.
    void Update();
    // Draws the mesh; with `lights`, those that affect its box are enabled first. Hidden or
    // unbound skinned meshes draw nothing and succeed.
    bool Draw(const LightList* lights = nullptr);
    // Has the device build the program this mesh's states need under the frame states already
    // set, so its first draw compiles nothing.
    bool PrepareProgram();

    const RenderStates& GetRenderStates() const { return states_; }
    RenderStates& GetRenderStates() { return states_; }
    // The box of the vertex positions in the mesh's own space.
    const BoundingBox& GetBoundingBox() const { return box_; }
    // The box in world space: the own box under the world, or the deformed vertices' box.
    BoundingBox GetWorldBoundingBox() const;
    // The box to cull with and the matrix that carries it to world space: the own box and the
    // world, or the deformed vertices' box and the identity.
    const BoundingBox& GetCullingBox(Matrix& toWorld) const;
    void SetWorld(const Matrix& world) { world_ = world; }
    const Matrix& GetWorld() const { return world_; }
    void SetView(const Matrix& view) { view_ = view; }
    void SetProjection(const Matrix& projection) { projection_ = projection; }
    void SetTransformFlags(std::uint32_t flags) { transformFlags_ = flags; }
    // Elements (indices, or vertices without an index buffer) from `first`; count 0: all.
    void SetDrawRange(std::uint32_t first, std::uint32_t count);
    void SetHidden(bool hidden) { hidden_ = hidden; }
    bool IsHidden() const { return hidden_; }
    void SetPrimitiveType(gfx::D3DPRIMITIVETYPE type) { primitiveType_ = type; }

    std::uint32_t GetStride() const { return stride_; }
    const VertexBufferDesc& GetVertexBufferDesc() const { return vertexDesc_; }
    const IndexBufferDesc& GetIndexBufferDesc() const { return indexDesc_; }
    gfx::VertexBuffer* GetVertexBuffer() const { return vertexBuffer_.get(); }
    gfx::IndexBuffer* GetIndexBuffer() const { return indexBuffer_.get(); }
    const Skin* GetSkin() const { return skin_; }

private:
    // Rewrites the vertex buffer with the skin's deformation under the current world.
    bool Deform();

    RenderStates states_;
    const VertexData& vertexData_;
    const render::Skin* skin_;
    MeshBuffers& buffers_;
    VertexBufferDesc vertexDesc_;
    IndexBufferDesc indexDesc_;
    std::uint32_t stride_ = 0;
    gfx::Ref<gfx::VertexBuffer> vertexBuffer_;
    gfx::Ref<gfx::IndexBuffer> indexBuffer_;
    std::uint32_t firstVertex_ = 0;
    std::uint32_t firstIndex_ = 0;
    gfx::D3DPRIMITIVETYPE primitiveType_ = gfx::D3DPT_TRIANGLELIST;
    std::uint32_t rangeFirst_ = 0;
    std::uint32_t rangeCount_ = 0;
    Matrix world_ = MatrixIdentity();
    Matrix view_ = MatrixIdentity();
    Matrix projection_ = MatrixIdentity();
    std::uint32_t transformFlags_ = kMeshSetsWorld;
    BoundingBox box_;
    BoundingBox skinnedBox_;
    bool skinned_ = false;  // skinnedBox_ holds the last deformation
    bool hidden_ = false;
};

}  // namespace render
