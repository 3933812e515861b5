#include "render/device/state_cache.h"

#include <cstring>

#include "render/device/current_device.h"

namespace render {

using namespace gfx;

StateCache& DeviceStateCache() {
    static StateCache cache;
    return cache;
}

bool StateCache::Skip(bool equal) {
    if (equal && enabled_) {
        ++counters_.skipped;
        return true;
    }
    ++counters_.sent;
    return false;
}

bool StateCache::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    Device* device = CurrentDevice();
    if (!device || state >= kRenderStates) {
        return false;
    }
    auto& slot = renderStates_[state];
    if (Skip(slot.known && slot.value == value)) {
        return true;
    }
    slot = {true, value};
    return Succeeded(device->SetRenderState(state, value));
}

bool StateCache::GetRenderState(D3DRENDERSTATETYPE state, DWORD& value) {
    Device* device = CurrentDevice();
    if (!device || state >= kRenderStates) {
        return false;
    }
    auto& slot = renderStates_[state];
    if (!slot.known) {
        if (Failed(device->GetRenderState(state, &slot.value))) {
            return false;
        }
        slot.known = true;
    }
    value = slot.value;
    return true;
}

bool StateCache::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    Device* device = CurrentDevice();
    if (!device || sampler >= kStages || type >= kSamplerStates) {
        return false;
    }
    auto& slot = samplerStates_[sampler * kSamplerStates + type];
    if (Skip(slot.known && slot.value == value)) {
        return true;
    }
    slot = {true, value};
    return Succeeded(device->SetSamplerState(sampler, type, value));
}

bool StateCache::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD& value) {
    Device* device = CurrentDevice();
    if (!device || sampler >= kStages || type >= kSamplerStates) {
        return false;
    }
    auto& slot = samplerStates_[sampler * kSamplerStates + type];
    if (!slot.known) {
        if (Failed(device->GetSamplerState(sampler, type, &slot.value))) {
            return false;
        }
        slot.known = true;
    }
    value = slot.value;
    return true;
}

bool StateCache::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    Device* device = CurrentDevice();
    if (!device || stage >= kStages || type >= kStageStates) {
        return false;
    }
    auto& slot = stageStates_[stage * kStageStates + type];
    if (Skip(slot.known && slot.value == value)) {
        return true;
    }
    slot = {true, value};
    return Succeeded(device->SetTextureStageState(stage, type, value));
}

bool StateCache::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD& value) {
    Device* device = CurrentDevice();
    if (!device || stage >= kStages || type >= kStageStates) {
        return false;
    }
    auto& slot = stageStates_[stage * kStageStates + type];
    if (!slot.known) {
        if (Failed(device->GetTextureStageState(stage, type, &slot.value))) {
            return false;
        }
        slot.known = true;
    }
    value = slot.value;
    return true;
}

bool StateCache::SetTexture(DWORD stage, gfx::Texture* texture) {
    Device* device = CurrentDevice();
    if (!device || stage >= kStages) {
        return false;
    }
    auto& slot = textures_[stage];
    if (Skip(slot.known && slot.value == texture)) {
        return true;
    }
    slot = {true, texture};
    return Succeeded(device->SetTexture(stage, texture));
}

bool StateCache::GetTexture(DWORD stage, gfx::Texture*& texture) {
    Device* device = CurrentDevice();
    if (!device || stage >= kStages) {
        return false;
    }
    auto& slot = textures_[stage];
    if (!slot.known) {
        gfx::Texture* bound = nullptr;
        if (Failed(device->GetTexture(stage, &bound))) {
            return false;
        }
        // The device is holding it; the cache only remembers which one it is.
        if (bound) {
            bound->Release();
        }
        slot = {true, bound};
    }
    texture = slot.value;
    return true;
}

bool StateCache::SetMaterial(const D3DMATERIAL9* material) {
    Device* device = CurrentDevice();
    if (!device) {
        return false;
    }
    D3DMATERIAL9 value{};
    if (material) {
        value = *material;
    }
    if (Skip(material_.known && std::memcmp(&material_.value, &value, sizeof value) == 0)) {
        return true;
    }
    material_ = {true, value};
    return Succeeded(device->SetMaterial(&value));
}

bool StateCache::GetMaterial(D3DMATERIAL9& material) {
    Device* device = CurrentDevice();
    if (!device) {
        return false;
    }
    if (!material_.known) {
        if (Failed(device->GetMaterial(&material_.value))) {
            return false;
        }
        material_.known = true;
    }
    material = material_.value;
    return true;
}

bool StateCache::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    Device* device = CurrentDevice();
    if (!device || !matrix || state >= kTransforms) {
        return false;
    }
    auto& slot = transforms_[state];
    if (Skip(slot.known && std::memcmp(&slot.value, matrix, sizeof *matrix) == 0)) {
        return true;
    }
    slot = {true, *matrix};
    return Succeeded(device->SetTransform(state, matrix));
}

bool StateCache::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX& matrix) {
    Device* device = CurrentDevice();
    if (!device || state >= kTransforms) {
        return false;
    }
    auto& slot = transforms_[state];
    if (!slot.known) {
        if (Failed(device->GetTransform(state, &slot.value))) {
            return false;
        }
        slot.known = true;
    }
    matrix = slot.value;
    return true;
}

void StateCache::InvalidateCache() {
    for (auto& slot : renderStates_)
        slot.known = false;
    for (auto& slot : samplerStates_)
        slot.known = false;
    for (auto& slot : stageStates_)
        slot.known = false;
    for (auto& slot : textures_)
        slot.known = false;
    material_.known = false;
    for (auto& slot : transforms_)
        slot.known = false;
}

}  // namespace render
