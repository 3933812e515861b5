// The drawing device: the part of a Direct3D 9 device the engine calls, with D3D's argument
// order and result codes, and its reference-counted resources.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d_types.h"
#include "platform/gfx/unknown.h"

namespace gfx {

class Texture : public Unknown {
public:
    virtual DWORD GetLevelCount() = 0;
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    // rect null: the whole level. Compressed formats lock whole 4 x 4 blocks; Pitch is then the
    // bytes of one row of blocks.
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
};

class VertexBuffer : public Unknown {
public:
    // size 0 with offset 0: the whole buffer.
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

class IndexBuffer : public Unknown {
public:
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

class Device : public Unknown {
public:
    // Device state: S_OK, D3DERR_DEVICELOST while it cannot be reset, D3DERR_DEVICENOTRESET
    // when a Reset would succeed.
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* params) = 0;
    virtual HRESULT Present() = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* caps) = 0;
    virtual HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) = 0;
    // What GetBackBuffer(swapChain, index, D3DBACKBUFFER_TYPE_MONO)->GetDesc() gives.
    virtual HRESULT GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) = 0;
    // The ramp is applied to the final image when it is presented; the display's own gamma is
    // never changed.
    virtual void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) = 0;
    virtual void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) = 0;

    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, Texture** texture) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       VertexBuffer** buffer) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IndexBuffer** buffer) = 0;

    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;

    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD* value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetTexture(DWORD stage, Texture* texture) = 0;
    // The texture comes with a reference of its own (or null).
    virtual HRESULT GetTexture(DWORD stage, Texture** texture) = 0;

    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT GetFVF(DWORD* fvf) = 0;
    virtual HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset,
                                    UINT stride) = 0;
    virtual HRESULT SetIndices(IndexBuffer* buffer) = 0;

    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, std::int32_t baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertexData, UINT stride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                           UINT numVertices, UINT primitiveCount,
                                           const void* indexData, D3DFORMAT indexFormat,
                                           const void* vertexData, UINT stride) = 0;

    // The back buffer as it will show on screen (gamma ramp applied), A8R8G8B8 values with the
    // top row first, pitch in pixels; for screenshots and tests.
    virtual HRESULT ReadBackBuffer(std::uint32_t* argb, UINT pitch) = 0;
    // Waits until everything sent so far has been drawn; benchmarks time frames with it.
    virtual HRESULT Finish() = 0;
    // Builds now what drawing vertices of this format with the current states needs, so that
    // the first such draw doesn't stall (the OpenGL device compiles its program). A scene calls
    // it while it loads, once per mesh after applying the mesh's states, with the frame's fog
    // and lighting states already set. D3DERR_INVALIDCALL when nothing can draw the format.
    virtual HRESULT PrecompileProgram(DWORD /*fvf*/) { return S_OK; }
};

}  // namespace gfx
