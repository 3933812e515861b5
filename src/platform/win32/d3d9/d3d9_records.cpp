#include "platform/win32/d3d9/d3d9_records.h"

#include <cstddef>
#include <cstring>

namespace gfx::d3d9 {

namespace {

// The records passed through by pointer.
static_assert(sizeof(D3DMATRIX) == sizeof(::D3DMATRIX));
static_assert(sizeof(D3DMATERIAL9) == sizeof(::D3DMATERIAL9));
static_assert(sizeof(D3DLIGHT9) == sizeof(::D3DLIGHT9));
static_assert(offsetof(D3DLIGHT9, Position) == offsetof(::D3DLIGHT9, Position));
static_assert(offsetof(D3DLIGHT9, Phi) == offsetof(::D3DLIGHT9, Phi));
static_assert(sizeof(D3DVIEWPORT9) == sizeof(::D3DVIEWPORT9));
static_assert(sizeof(D3DRECT) == sizeof(::D3DRECT));
static_assert(sizeof(RECT) == sizeof(::RECT));
static_assert(sizeof(D3DGAMMARAMP) == sizeof(::D3DGAMMARAMP));
static_assert(sizeof(D3DLOCKED_RECT) == sizeof(::D3DLOCKED_RECT));
static_assert(offsetof(D3DLOCKED_RECT, pBits) == offsetof(::D3DLOCKED_RECT, pBits));
static_assert(sizeof(D3DSURFACE_DESC) == sizeof(::D3DSURFACE_DESC));
static_assert(offsetof(D3DSURFACE_DESC, Width) == offsetof(::D3DSURFACE_DESC, Width));
static_assert(sizeof(D3DVERTEXBUFFER_DESC) == sizeof(::D3DVERTEXBUFFER_DESC));
static_assert(offsetof(D3DVERTEXBUFFER_DESC, FVF) == offsetof(::D3DVERTEXBUFFER_DESC, FVF));
static_assert(sizeof(D3DINDEXBUFFER_DESC) == sizeof(::D3DINDEXBUFFER_DESC));
static_assert(sizeof(D3DDISPLAYMODE) == sizeof(::D3DDISPLAYMODE));

template <std::size_t N, std::size_t M>
void CopyText(char (&to)[N], const char (&from)[M]) {
    static_assert(N == M);
    std::memcpy(to, from, N);
    to[N - 1] = '\0';
}

}  // namespace

::D3DPRESENT_PARAMETERS NativePresentParameters(const D3DPRESENT_PARAMETERS& params) {
    ::D3DPRESENT_PARAMETERS native{};
    native.BackBufferWidth = params.BackBufferWidth;
    native.BackBufferHeight = params.BackBufferHeight;
    native.BackBufferFormat = static_cast<::D3DFORMAT>(params.BackBufferFormat);
    native.BackBufferCount = params.BackBufferCount;
    native.MultiSampleType = static_cast<::D3DMULTISAMPLE_TYPE>(params.MultiSampleType);
    native.MultiSampleQuality = params.MultiSampleQuality;
    native.SwapEffect = static_cast<::D3DSWAPEFFECT>(params.SwapEffect);
    native.hDeviceWindow = WindowOf(params.hDeviceWindow);
    native.Windowed = params.Windowed;
    native.EnableAutoDepthStencil = params.EnableAutoDepthStencil;
    native.AutoDepthStencilFormat = static_cast<::D3DFORMAT>(params.AutoDepthStencilFormat);
    native.Flags = params.Flags;
    native.FullScreen_RefreshRateInHz = params.FullScreen_RefreshRateInHz;
    native.PresentationInterval = params.PresentationInterval;
    return native;
}

void TakePresentParameters(const ::D3DPRESENT_PARAMETERS& native, D3DPRESENT_PARAMETERS& params) {
    params.BackBufferWidth = native.BackBufferWidth;
    params.BackBufferHeight = native.BackBufferHeight;
    params.BackBufferFormat = static_cast<D3DFORMAT>(native.BackBufferFormat);
    params.BackBufferCount = native.BackBufferCount;
    params.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(native.MultiSampleType);
    params.MultiSampleQuality = static_cast<DWORD>(native.MultiSampleQuality);
}

D3DCAPS9 CapsOf(const ::D3DCAPS9& native) {
    D3DCAPS9 caps{};
    caps.DeviceType = static_cast<D3DDEVTYPE>(native.DeviceType);
    caps.AdapterOrdinal = native.AdapterOrdinal;
    caps.Caps = static_cast<DWORD>(native.Caps);
    caps.Caps2 = static_cast<DWORD>(native.Caps2);
    caps.Caps3 = static_cast<DWORD>(native.Caps3);
    caps.PresentationIntervals = static_cast<DWORD>(native.PresentationIntervals);
    caps.CursorCaps = static_cast<DWORD>(native.CursorCaps);
    caps.DevCaps = static_cast<DWORD>(native.DevCaps);
    caps.PrimitiveMiscCaps = static_cast<DWORD>(native.PrimitiveMiscCaps);
    caps.RasterCaps = static_cast<DWORD>(native.RasterCaps);
    caps.ZCmpCaps = static_cast<DWORD>(native.ZCmpCaps);
    caps.SrcBlendCaps = static_cast<DWORD>(native.SrcBlendCaps);
    caps.DestBlendCaps = static_cast<DWORD>(native.DestBlendCaps);
    caps.AlphaCmpCaps = static_cast<DWORD>(native.AlphaCmpCaps);
    caps.ShadeCaps = static_cast<DWORD>(native.ShadeCaps);
    caps.TextureCaps = static_cast<DWORD>(native.TextureCaps);
    caps.TextureFilterCaps = static_cast<DWORD>(native.TextureFilterCaps);
    caps.TextureAddressCaps = static_cast<DWORD>(native.TextureAddressCaps);
    caps.MaxTextureWidth = static_cast<DWORD>(native.MaxTextureWidth);
    caps.MaxTextureHeight = static_cast<DWORD>(native.MaxTextureHeight);
    caps.MaxAnisotropy = static_cast<DWORD>(native.MaxAnisotropy);
    caps.TextureOpCaps = static_cast<DWORD>(native.TextureOpCaps);
    caps.MaxTextureBlendStages = static_cast<DWORD>(native.MaxTextureBlendStages);
    caps.MaxSimultaneousTextures = static_cast<DWORD>(native.MaxSimultaneousTextures);
    caps.VertexProcessingCaps = static_cast<DWORD>(native.VertexProcessingCaps);
    caps.MaxActiveLights = static_cast<DWORD>(native.MaxActiveLights);
    caps.MaxPrimitiveCount = static_cast<DWORD>(native.MaxPrimitiveCount);
    caps.MaxVertexIndex = static_cast<DWORD>(native.MaxVertexIndex);
    caps.MaxStreams = static_cast<DWORD>(native.MaxStreams);
    caps.MaxStreamStride = static_cast<DWORD>(native.MaxStreamStride);
    caps.FVFCaps = static_cast<DWORD>(native.FVFCaps);
    return caps;
}

D3DADAPTER_IDENTIFIER9 IdentifierOf(const ::D3DADAPTER_IDENTIFIER9& native) {
    D3DADAPTER_IDENTIFIER9 identifier{};
    CopyText(identifier.Driver, native.Driver);
    CopyText(identifier.Description, native.Description);
    CopyText(identifier.DeviceName, native.DeviceName);
    identifier.DriverVersion = native.DriverVersion.QuadPart;
    identifier.VendorId = static_cast<DWORD>(native.VendorId);
    identifier.DeviceId = static_cast<DWORD>(native.DeviceId);
    identifier.SubSysId = static_cast<DWORD>(native.SubSysId);
    identifier.Revision = static_cast<DWORD>(native.Revision);
    static_assert(sizeof identifier.DeviceIdentifier == sizeof native.DeviceIdentifier);
    std::memcpy(identifier.DeviceIdentifier, &native.DeviceIdentifier,
                sizeof identifier.DeviceIdentifier);
    identifier.WHQLLevel = static_cast<DWORD>(native.WHQLLevel);
    return identifier;
}

}  // namespace gfx::d3d9
