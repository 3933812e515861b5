// The device over IDirect3DDevice9: the fixed-function pipeline is Direct3D's own, so most
// calls forward. What it adds: our resource objects around the native ones, the gamma ramp
// kept to full screen and given back at the end, the back buffer read for screenshots, and the
// hidden window of a device made without one.
#pragma once

#include <array>

#include "platform/gfx/device.h"
#include "platform/gfx/runtime.h"

#include "platform/win32/d3d9/com_ref.h"
#include "platform/win32/d3d9/d3d9_api.h"

namespace gfx::d3d9 {

class D3d9Device final : public Device {
public:
    // Takes over the native device's reference and the hidden window (null when the caller
    // gave one); keeps the runtime, and so d3d9.dll, for as long as it lives.
    D3d9Device(Ref<Runtime> runtime, IDirect3DDevice9* native, const D3DPRESENT_PARAMETERS& params,
               DWORD offeredIntervals, HWND ownWindow);

    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present() override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) override;
    // The ramp reaches the screen in full screen only, as Direct3D 9 has it; a windowed device
    // keeps it and applies it when it goes full screen.
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
    // What the back buffer holds; the ramp is the display's business here and is not applied.
    HRESULT ReadBackBuffer(std::uint32_t* argb, UINT pitch) override;
    HRESULT Finish() override;
    // The pipeline is Direct3D's own: nothing to build, only formats without a position to refuse.
    HRESULT PrecompileProgram(DWORD fvf) override;

private:
    ~D3d9Device() override;
    bool FullScreen() const { return params_.Windowed == 0; }
    // Lets go of everything the device holds in D3DPOOL_DEFAULT, which a Reset needs gone.
    void DropBindings();

    std::uint32_t refs_ = 1;
    Ref<Runtime> runtime_;
    IDirect3DDevice9* native_;
    D3DPRESENT_PARAMETERS params_;
    DWORD offeredIntervals_;
    HWND ownWindow_;
    D3DGAMMARAMP gamma_{};
    // The display's ramp when the device came, given back when it has been changed.
    D3DGAMMARAMP displayGamma_{};
    bool gammaOnDisplay_ = false;
    std::array<Ref<Texture>, kMaxTextureStages> textures_;
    ComRef<IDirect3DQuery9> finishQuery_;
};

}  // namespace gfx::d3d9
