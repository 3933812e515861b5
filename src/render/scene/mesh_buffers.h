// MeshBuffers: the vertex and index buffers a scene's meshes share. Meshes whose buffers have
// equal descriptions get ranges of one buffer, so a scene needs few buffers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/device.h"

namespace render {

struct VertexBufferDesc {
    std::uint32_t fvf = 0;
    std::uint32_t stride = 0;
    std::uint32_t usage = 0;
    std::uint32_t pool = gfx::D3DPOOL_MANAGED;
    friend bool operator==(const VertexBufferDesc&, const VertexBufferDesc&) = default;
};

struct IndexBufferDesc {
    std::uint32_t format = gfx::D3DFMT_INDEX16;
    std::uint32_t usage = 0;
    std::uint32_t pool = gfx::D3DPOOL_MANAGED;
    friend bool operator==(const IndexBufferDesc&, const IndexBufferDesc&) = default;
};

class MeshBuffers {
public:
    // A buffer holds at least this many bytes.
    static constexpr std::uint32_t kDefaultLength = 4096;

    // Copies `size` bytes into a range of a buffer with that description (made when none has
    // room) and gives the buffer and the range's byte offset; false when the device refuses.
    bool AddVertices(const VertexBufferDesc& desc, const void* bytes, std::uint32_t size,
                     gfx::Ref<gfx::VertexBuffer>& buffer, std::uint32_t& offset);
    bool AddIndices(const IndexBufferDesc& desc, const void* bytes, std::uint32_t size,
                    gfx::Ref<gfx::IndexBuffer>& buffer, std::uint32_t& offset);
    // Drops every buffer (before a device reset); ranges handed out stay with their meshes.
    void Clear();
    std::size_t VertexBufferCount() const { return vertexBuffers_.size(); }
    std::size_t IndexBufferCount() const { return indexBuffers_.size(); }

private:
    template <typename Buffer, typename Desc>
    struct Shared {
        Desc desc;
        gfx::Ref<Buffer> buffer;
        std::uint32_t length = 0;
        std::uint32_t used = 0;
    };

    std::vector<Shared<gfx::VertexBuffer, VertexBufferDesc>> vertexBuffers_;
    std::vector<Shared<gfx::IndexBuffer, IndexBufferDesc>> indexBuffers_;
};

}  // namespace render
