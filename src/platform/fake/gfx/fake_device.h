// The recording device of the fake runtime: keeps every state it is given (so Get... answers
// what was set, and D3D's defaults for what wasn't), memory-backed textures and buffers that can
// be locked, and logs each call. Lights follow D3D: any index, at most MaxActiveLights enabled.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/gfx/fake_runtime.h"
#include "platform/gfx/device.h"

namespace gfx::fake {

class FakeDevice final : public Device {
public:
    FakeDevice(std::shared_ptr<CallLog> log, std::shared_ptr<FakeDeviceScript> script,
               std::shared_ptr<FakeDevice*> slot, D3DCAPS9 caps,
               const D3DPRESENT_PARAMETERS& params, D3DDISPLAYMODE mode);

    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present() override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) override;
    void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override;
    void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Texture** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               VertexBuffer** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IndexBuffer** buffer) override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, Texture* texture) override;
    HRESULT GetTexture(DWORD stage, Texture** texture) override;

    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) override;
    HRESULT SetIndices(IndexBuffer* buffer) override;

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, std::int32_t baseVertexIndex,
                                 UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                            UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
                                   UINT primitiveCount, const void* indexData,
                                   D3DFORMAT indexFormat, const void* vertexData,
                                   UINT stride) override;
    HRESULT ReadBackBuffer(std::uint32_t* argb, UINT pitch) override;
    HRESULT Finish() override;
    HRESULT PrecompileProgram(DWORD fvf) override;

    CallLog& Log() { return *log_; }
    FakeDeviceScript& Script() { return *script_; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return params_; }
    // The name a texture or buffer has in the log ("tex#3"), "null" for none.
    static std::string NameOf(Unknown* resource);

private:
    ~FakeDevice() override;

    std::uint32_t refs_ = 1;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<FakeDeviceScript> script_;
    std::shared_ptr<FakeDevice*> slot_;
    D3DCAPS9 caps_;
    D3DPRESENT_PARAMETERS params_;
    D3DDISPLAYMODE mode_;
    D3DGAMMARAMP gamma_{};
    bool inScene_ = false;
    std::map<DWORD, DWORD> renderStates_;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates_;
    std::map<std::pair<DWORD, DWORD>, DWORD> samplerStates_;
    std::map<DWORD, D3DMATRIX> transforms_;
    std::map<DWORD, D3DLIGHT9> lights_;
    std::set<DWORD> lightEnabled_;
    D3DMATERIAL9 material_{};
    D3DVIEWPORT9 viewport_{};
    std::array<Ref<Texture>, kMaxTextureStages> textures_;
    Ref<VertexBuffer> stream_;
    Ref<IndexBuffer> indices_;
    DWORD fvf_ = 0;
};

}  // namespace gfx::fake
