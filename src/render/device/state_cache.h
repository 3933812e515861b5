// The device state cache: every state change of the engine goes through it, and a value the
// device already has costs no device call. One cache serves the process; it sends to the current
// device and is invalidated whenever a device is created or reset.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "platform/gfx/device.h"

namespace render {

class StateCache {
public:
    static constexpr std::uint32_t kRenderStates = 1024;
    static constexpr std::uint32_t kStages = 8;
    static constexpr std::uint32_t kSamplerStates = 16;
    static constexpr std::uint32_t kStageStates = 64;
    static constexpr std::uint32_t kTransforms = 512;

    // How many changes reached the device and how many the cache kept back.
    struct Counters {
        std::uint64_t sent = 0;
        std::uint64_t skipped = 0;
    };

    // Every operation fails without effect when no device is published or an index is out of
    // range.
    bool SetRenderState(gfx::D3DRENDERSTATETYPE state, gfx::DWORD value);
    bool GetRenderState(gfx::D3DRENDERSTATETYPE state, gfx::DWORD& value);
    bool SetSamplerState(gfx::DWORD sampler, gfx::D3DSAMPLERSTATETYPE type, gfx::DWORD value);
    bool GetSamplerState(gfx::DWORD sampler, gfx::D3DSAMPLERSTATETYPE type, gfx::DWORD& value);
    bool SetTextureStageState(gfx::DWORD stage, gfx::D3DTEXTURESTAGESTATETYPE type,
                              gfx::DWORD value);
    bool GetTextureStageState(gfx::DWORD stage, gfx::D3DTEXTURESTAGESTATETYPE type,
                              gfx::DWORD& value);
    bool SetTexture(gfx::DWORD stage, gfx::Texture* texture);
    bool GetTexture(gfx::DWORD stage, gfx::Texture*& texture);
    // A null material is cached as zeros.
    bool SetMaterial(const gfx::D3DMATERIAL9* material);
    bool GetMaterial(gfx::D3DMATERIAL9& material);
    // Fails for a null matrix; equal means all 64 bytes equal.
    bool SetTransform(gfx::D3DTRANSFORMSTATETYPE state, const gfx::D3DMATRIX* matrix);
    bool GetTransform(gfx::D3DTRANSFORMSTATETYPE state, gfx::D3DMATRIX& matrix);

    bool SetWorld(const gfx::D3DMATRIX* matrix) { return SetTransform(gfx::D3DTS_WORLD, matrix); }
    bool SetView(const gfx::D3DMATRIX* matrix) { return SetTransform(gfx::D3DTS_VIEW, matrix); }
    bool SetProjection(const gfx::D3DMATRIX* matrix) {
        return SetTransform(gfx::D3DTS_PROJECTION, matrix);
    }

    // Forgets every value: the next set of each is sent.
    void InvalidateCache();

    // When off, every set is sent (the cache still records values); for measuring what it saves.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    const Counters& GetCounters() const { return counters_; }
    void ResetCounters() { counters_ = {}; }

private:
    template <typename T>
    struct Slot {
        bool known = false;
        T value{};
    };

    bool Skip(bool equal);

    std::array<Slot<gfx::DWORD>, kRenderStates> renderStates_{};
    std::array<Slot<gfx::DWORD>, kStages * kSamplerStates> samplerStates_{};
    std::array<Slot<gfx::DWORD>, kStages * kStageStates> stageStates_{};
    std::array<Slot<gfx::Texture*>, kStages> textures_{};
    Slot<gfx::D3DMATERIAL9> material_{};
    std::array<Slot<gfx::D3DMATRIX>, kTransforms> transforms_{};
    Counters counters_;
    bool enabled_ = true;
};

// The process-wide cache.
StateCache& DeviceStateCache();

}  // namespace render
