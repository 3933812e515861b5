#include "render/scene/mesh_buffers.h"

#include <algorithm>
#include <cstring>

#include "render/device/current_device.h"

namespace render {

using namespace gfx;

namespace {

template <typename Buffer>
bool Fill(Buffer& buffer, std::uint32_t offset, const void* bytes, std::uint32_t size) {
    void* target = nullptr;
    if (Failed(buffer.Lock(offset, size, &target, 0)) || !target) {
        return false;
    }
    std::memcpy(target, bytes, size);
    buffer.Unlock();
    return true;
}

// Where a range of `size` bytes goes: an existing buffer of the description with room, or a new
// one. Vertex ranges start on a whole vertex so that a base vertex index can reach them.
template <typename Pool, typename Desc, typename Make>
bool Place(Pool& pool, const Desc& desc, std::uint32_t align, const void* bytes, std::uint32_t size,
           Make make, decltype(pool.front().buffer)& buffer, std::uint32_t& offset) {
    if (size == 0) {
        return false;
    }
    for (auto& shared : pool) {
        if (!(shared.desc == desc)) {
            continue;
        }
        const std::uint64_t start = (std::uint64_t(shared.used) + align - 1) / align * align;
        if (start + size > shared.length) {
            continue;
        }
        if (!Fill(*shared.buffer, std::uint32_t(start), bytes, size)) {
            return false;
        }
        shared.used = std::uint32_t(start + size);
        buffer = shared.buffer;
        offset = std::uint32_t(start);
        return true;
    }
    typename Pool::value_type shared;
    shared.desc = desc;
    shared.length = std::max(size, MeshBuffers::kDefaultLength);
    if (!make(shared.length, shared.buffer) || !Fill(*shared.buffer, 0, bytes, size)) {
        return false;
    }
    shared.used = size;
    buffer = shared.buffer;
    offset = 0;
    pool.push_back(std::move(shared));
    return true;
}

}  // namespace

bool MeshBuffers::AddVertices(const VertexBufferDesc& desc, const void* bytes, std::uint32_t size,
                              Ref<VertexBuffer>& buffer, std::uint32_t& offset) {
    Device* device = CurrentDevice();
    if (!device || desc.stride == 0) {
        return false;
    }
    auto make = [&](std::uint32_t length, Ref<VertexBuffer>& made) {
        return Succeeded(device->CreateVertexBuffer(length, desc.usage, desc.fvf, desc.pool,
                                                    made.put())) &&
               made;
    };
    // A dynamic buffer is rewritten whole with a discarding lock, so it is never shared.
    if (desc.usage & D3DUSAGE_DYNAMIC) {
        Ref<VertexBuffer> own;
        if (!make(size, own) || !Fill(*own, 0, bytes, size)) {
            return false;
        }
        buffer = own;
        offset = 0;
        return true;
    }
    return Place(vertexBuffers_, desc, desc.stride, bytes, size, make, buffer, offset);
}

bool MeshBuffers::AddIndices(const IndexBufferDesc& desc, const void* bytes, std::uint32_t size,
                             Ref<IndexBuffer>& buffer, std::uint32_t& offset) {
    Device* device = CurrentDevice();
    if (!device) {
        return false;
    }
    auto make = [&](std::uint32_t length, Ref<IndexBuffer>& made) {
        return Succeeded(device->CreateIndexBuffer(length, desc.usage, desc.format, desc.pool,
                                                   made.put())) &&
               made;
    };
    const std::uint32_t align = desc.format == D3DFMT_INDEX32 ? 4 : 2;
    return Place(indexBuffers_, desc, align, bytes, size, make, buffer, offset);
}

void MeshBuffers::Clear() {
    vertexBuffers_.clear();
    indexBuffers_.clear();
}

}  // namespace render
