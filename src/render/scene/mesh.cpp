#include "render/scene/mesh.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/scene/light.h"
#include "render/scene/skin.h"
#include "render/scene/vertex_data.h"
#include "udf/udf_node.h"

namespace render {

using namespace gfx;

namespace {

// Pre-transformed vertices carry no fog distance: fog is off while they draw, then as it was.
class FogOffForPretransformed {
public:
    FogOffForPretransformed(StateCache& cache, DWORD fvf)
        : cache_(cache), active_((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW) {
        if (active_) {
            cache_.GetRenderState(D3DRS_FOGENABLE, fog_);
            cache_.SetRenderState(D3DRS_FOGENABLE, 0);
        }
    }
    ~FogOffForPretransformed() {
        if (active_) {
            cache_.SetRenderState(D3DRS_FOGENABLE, fog_);
        }
    }
    FogOffForPretransformed(const FogOffForPretransformed&) = delete;
    FogOffForPretransformed& operator=(const FogOffForPretransformed&) = delete;

private:
    StateCache& cache_;
    bool active_;
    DWORD fog_ = 0;
};

std::vector<std::string> Words(const udf::UdfNode& node) {
    const std::string text = node.asString().str();
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        const bool separator = c == ' ' || c == ',' || c == '|' || c == '\t' || c == ';' ||
                               c == '\n' || c == '\r' || c == '\0';
        if (!separator) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

std::uint32_t PrimitiveCount(D3DPRIMITIVETYPE type, std::uint32_t elements) {
    switch (type) {
        case D3DPT_POINTLIST:
            return elements;
        case D3DPT_LINELIST:
            return elements / 2;
        case D3DPT_LINESTRIP:
            return elements > 1 ? elements - 1 : 0;
        case D3DPT_TRIANGLELIST:
            return elements / 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return elements > 2 ? elements - 2 : 0;
        default:
            return 0;
    }
}

}  // namespace

BufferUsage ParseUsage(const udf::UdfNode* usage, bool skinned) {
    if (!usage) {
        return {skinned ? D3DUSAGE_DYNAMIC : D3DUSAGE_WRITEONLY, D3DUSAGE_WRITEONLY};
    }
    const std::vector<std::string> words = Words(*usage);
    auto has = [&](std::string_view word) {
        for (const std::string& w : words) {
            if (w == word) {
                return true;
            }
        }
        return false;
    };
    BufferUsage result;
    if (has("static")) {
        result = {D3DUSAGE_WRITEONLY, D3DUSAGE_WRITEONLY};
    } else if (has("dynamic")) {
        result = {D3DUSAGE_DYNAMIC, D3DUSAGE_DYNAMIC};
    } else if (has("dynamic_writeonly")) {
        result = {D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY};
    }
    if (has("vb_writeonly"))
        result.vertex |= D3DUSAGE_WRITEONLY;
    if (has("ib_writeonly"))
        result.index |= D3DUSAGE_WRITEONLY;
    if (has("vb_dynamic"))
        result.vertex |= D3DUSAGE_DYNAMIC;
    if (has("ib_dynamic"))
        result.index |= D3DUSAGE_DYNAMIC;
    return result;
}

Mesh::Mesh(const RenderStates& states, const VertexData& vertexData, const render::Skin* skin,
           BufferUsage usage, bool align32, MeshBuffers& buffers)
    : states_(states), vertexData_(vertexData), skin_(skin), buffers_(buffers) {
    stride_ = BufferStride(vertexData.stride, align32);
    // A skinned mesh is rewritten on every draw: its buffer must be dynamic to be locked cheaply.
    if (skin_) {
        usage.vertex |= D3DUSAGE_DYNAMIC;
    }
    vertexDesc_ = {vertexData.fvf, stride_, usage.vertex,
                   (usage.vertex & D3DUSAGE_DYNAMIC) ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED};
    indexDesc_ = {vertexData.indexSize == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16, usage.index,
                  (usage.index & D3DUSAGE_DYNAMIC) ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED};
    box_ = vertexData.Bounds();
}

Mesh::~Mesh() = default;

bool Mesh::RestoreDeviceObjects() {
    InvalidateDeviceObjects();
    const std::uint32_t size = vertexData_.vertexCount * stride_;
    std::vector<std::uint8_t> padded;
    const void* bytes = vertexData_.vertices;
    if (stride_ != vertexData_.stride) {
        padded.assign(size, 0);
        for (std::uint32_t v = 0; v < vertexData_.vertexCount; ++v) {
            std::memcpy(padded.data() + std::size_t(v) * stride_,
                        vertexData_.vertices + std::size_t(v) * vertexData_.stride,
                        vertexData_.stride);
        }
        bytes = padded.data();
    }
    std::uint32_t offset = 0;
    if (!buffers_.AddVertices(vertexDesc_, bytes, size, vertexBuffer_, offset)) {
        InvalidateDeviceObjects();
        return false;
    }
    firstVertex_ = offset / stride_;
    if (vertexData_.indexCount > 0) {
        if (!buffers_.AddIndices(indexDesc_, vertexData_.indices,
                                 vertexData_.indexCount * vertexData_.indexSize, indexBuffer_,
                                 offset)) {
            InvalidateDeviceObjects();
            return false;
        }
        firstIndex_ = offset / vertexData_.indexSize;
    }
    return true;
}

void Mesh::InvalidateDeviceObjects() {
    vertexBuffer_.reset();
    indexBuffer_.reset();
}

void Mesh::Update() {}

void Mesh::SetDrawRange(std::uint32_t first, std::uint32_t count) {
    rangeFirst_ = first;
    rangeCount_ = count;
}

BoundingBox Mesh::GetWorldBoundingBox() const {
    if (skin_) {
        return skinned_ ? skinnedBox_ : box_.Transformed(world_);
    }
    return box_.Transformed(world_);
}

const BoundingBox& Mesh::GetCullingBox(Matrix& toWorld) const {
    if (skin_ && skinned_) {
        toWorld = MatrixIdentity();
        return skinnedBox_;
    }
    toWorld = world_;
    return box_;
}

bool Mesh::Deform() {
    void* data = nullptr;
    if (Failed(vertexBuffer_->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) {
        return false;
    }
    skinnedBox_ = skin_->Deform(vertexData_, world_, static_cast<std::uint8_t*>(data), stride_);
    vertexBuffer_->Unlock();
    skinned_ = true;
    return true;
}

bool Mesh::PrepareProgram() {
    Device* device = CurrentDevice();
    if (!device) {
        return false;
    }
    StateCache& cache = DeviceStateCache();
    const FogOffForPretransformed fogOff(cache, vertexData_.fvf);
    ApplyRenderStates(states_, vertexData_.fvf);
    return Succeeded(device->PrecompileProgram(vertexData_.fvf));
}

bool Mesh::Draw(const LightList* lights) {
    if (hidden_) {
        return true;
    }
    Device* device = CurrentDevice();
    if (!device || !vertexBuffer_) {
        return false;
    }
    if (skin_ && !skin_->IsBound()) {
        return true;
    }
    if (skin_ && !Deform()) {
        return false;
    }
    StateCache& cache = DeviceStateCache();
    const FogOffForPretransformed fogOff(cache, vertexData_.fvf);
    ApplyRenderStates(states_, vertexData_.fvf);
    if (lights && states_.lit) {
        lights->EnableFor(GetWorldBoundingBox());
    }
    if (transformFlags_ & kMeshSetsWorld) {
        // A skinned mesh's deformed positions are already in world space.
        const D3DMATRIX world = skin_ ? MatrixIdentity().ToD3D() : world_.ToD3D();
        cache.SetWorld(&world);
    }
    if (transformFlags_ & kMeshSetsView) {
        const D3DMATRIX view = view_.ToD3D();
        cache.SetView(&view);
    }
    if (transformFlags_ & kMeshSetsProjection) {
        const D3DMATRIX projection = projection_.ToD3D();
        cache.SetProjection(&projection);
    }
    device->SetFVF(vertexData_.fvf);
    device->SetStreamSource(0, vertexBuffer_.get(), 0, stride_);
    bool ok;
    if (indexBuffer_) {
        std::uint32_t first = 0;
        std::uint32_t count = vertexData_.indexCount;
        if (rangeCount_ > 0 && rangeFirst_ < count) {
            first = rangeFirst_;
            count = std::min(rangeCount_, count - rangeFirst_);
        }
        device->SetIndices(indexBuffer_.get());
        ok = Succeeded(device->DrawIndexedPrimitive(primitiveType_, std::int32_t(firstVertex_), 0,
                                                    vertexData_.vertexCount, firstIndex_ + first,
                                                    PrimitiveCount(primitiveType_, count)));
    } else {
        std::uint32_t first = 0;
        std::uint32_t count = vertexData_.vertexCount;
        if (rangeCount_ > 0 && rangeFirst_ < count) {
            first = rangeFirst_;
            count = std::min(rangeCount_, count - rangeFirst_);
        }
        ok = Succeeded(device->DrawPrimitive(primitiveType_, firstVertex_ + first,
                                             PrimitiveCount(primitiveType_, count)));
    }
    return ok;
}

}  // namespace render
