// The device's states and draws, forwarded to Direct3D 9 as they are.
#include "platform/win32/d3d9/d3d9_device.h"

#include "platform/win32/d3d9/d3d9_records.h"

namespace gfx::d3d9 {

HRESULT D3d9Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    return Result(native_->SetTransform(static_cast<::D3DTRANSFORMSTATETYPE>(state),
                                        Same<D3DMATRIX, ::D3DMATRIX>(matrix)));
}

HRESULT D3d9Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetTransform(static_cast<::D3DTRANSFORMSTATETYPE>(state),
                                        Same<D3DMATRIX, ::D3DMATRIX>(matrix)));
}

HRESULT D3d9Device::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    return Result(native_->SetViewport(Same<D3DVIEWPORT9, ::D3DVIEWPORT9>(viewport)));
}

HRESULT D3d9Device::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetViewport(Same<D3DVIEWPORT9, ::D3DVIEWPORT9>(viewport)));
}

HRESULT D3d9Device::SetMaterial(const D3DMATERIAL9* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    return Result(native_->SetMaterial(Same<D3DMATERIAL9, ::D3DMATERIAL9>(material)));
}

HRESULT D3d9Device::GetMaterial(D3DMATERIAL9* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetMaterial(Same<D3DMATERIAL9, ::D3DMATERIAL9>(material)));
}

HRESULT D3d9Device::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light)
        return D3DERR_INVALIDCALL;
    return Result(native_->SetLight(index, Same<D3DLIGHT9, ::D3DLIGHT9>(light)));
}

HRESULT D3d9Device::GetLight(DWORD index, D3DLIGHT9* light) {
    if (!light)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetLight(index, Same<D3DLIGHT9, ::D3DLIGHT9>(light)));
}

HRESULT D3d9Device::LightEnable(DWORD index, BOOL enable) {
    return Result(native_->LightEnable(index, enable));
}

HRESULT D3d9Device::GetLightEnable(DWORD index, BOOL* enable) {
    if (!enable)
        return D3DERR_INVALIDCALL;
    return Result(native_->GetLightEnable(index, enable));
}

HRESULT D3d9Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return Result(native_->SetRenderState(static_cast<::D3DRENDERSTATETYPE>(state), value));
}

HRESULT D3d9Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value)
        return D3DERR_INVALIDCALL;
    ::DWORD native = 0;
    const HRESULT hr =
        Result(native_->GetRenderState(static_cast<::D3DRENDERSTATETYPE>(state), &native));
    *value = static_cast<DWORD>(native);
    return hr;
}

HRESULT D3d9Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value) {
    return Result(native_->SetTextureStageState(
        stage, static_cast<::D3DTEXTURESTAGESTATETYPE>(type), value));
}

HRESULT D3d9Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD* value) {
    if (!value)
        return D3DERR_INVALIDCALL;
    ::DWORD native = 0;
    const HRESULT hr = Result(native_->GetTextureStageState(
        stage, static_cast<::D3DTEXTURESTAGESTATETYPE>(type), &native));
    *value = static_cast<DWORD>(native);
    return hr;
}

HRESULT D3d9Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    return Result(
        native_->SetSamplerState(sampler, static_cast<::D3DSAMPLERSTATETYPE>(type), value));
}

HRESULT D3d9Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (!value)
        return D3DERR_INVALIDCALL;
    ::DWORD native = 0;
    const HRESULT hr = Result(
        native_->GetSamplerState(sampler, static_cast<::D3DSAMPLERSTATETYPE>(type), &native));
    *value = static_cast<DWORD>(native);
    return hr;
}

HRESULT D3d9Device::SetFVF(DWORD fvf) {
    return Result(native_->SetFVF(fvf));
}

HRESULT D3d9Device::GetFVF(DWORD* fvf) {
    if (!fvf)
        return D3DERR_INVALIDCALL;
    ::DWORD native = 0;
    const HRESULT hr = Result(native_->GetFVF(&native));
    *fvf = static_cast<DWORD>(native);
    return hr;
}

HRESULT D3d9Device::PrecompileProgram(DWORD fvf) {
    return (fvf & D3DFVF_POSITION_MASK) ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT D3d9Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    return Result(native_->DrawPrimitive(static_cast<::D3DPRIMITIVETYPE>(type), startVertex,
                                         primitiveCount));
}

HRESULT D3d9Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, std::int32_t baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) {
    return Result(native_->DrawIndexedPrimitive(static_cast<::D3DPRIMITIVETYPE>(type),
                                                baseVertexIndex, minVertexIndex, numVertices,
                                                startIndex, primitiveCount));
}

HRESULT D3d9Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertexData, UINT stride) {
    if (!vertexData)
        return D3DERR_INVALIDCALL;
    return Result(native_->DrawPrimitiveUP(static_cast<::D3DPRIMITIVETYPE>(type), primitiveCount,
                                           vertexData, stride));
}

HRESULT D3d9Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                           UINT numVertices, UINT primitiveCount,
                                           const void* indexData, D3DFORMAT indexFormat,
                                           const void* vertexData, UINT stride) {
    if (!indexData || !vertexData)
        return D3DERR_INVALIDCALL;
    return Result(native_->DrawIndexedPrimitiveUP(
        static_cast<::D3DPRIMITIVETYPE>(type), minVertexIndex, numVertices, primitiveCount,
        indexData, static_cast<::D3DFORMAT>(indexFormat), vertexData, stride));
}

}  // namespace gfx::d3d9
