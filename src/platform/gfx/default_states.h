// The values a Direct3D 9 device gives its render, texture-stage and sampler states when it is
// created or reset, and the lights it accepts, for every device of the gfx layer to start from the
// same place and refuse the same calls.
#pragma once

#include <bit>

#include "platform/gfx/d3d_types.h"

namespace gfx {

inline constexpr DWORD kStencilKeep = 1;
inline constexpr DWORD kDegreeLinear = 1;
inline constexpr DWORD kDegreeCubic = 3;

// depthBuffer: whether the device was made with an automatic depth buffer (depth test on).
constexpr DWORD DefaultRenderState(D3DRENDERSTATETYPE state, bool depthBuffer) {
    switch (state) {
        case D3DRS_ZENABLE:
            return depthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
        case D3DRS_FILLMODE:
            return D3DFILL_SOLID;
        case D3DRS_SHADEMODE:
            return D3DSHADE_GOURAUD;
        case D3DRS_SRCBLEND:
        case D3DRS_SRCBLENDALPHA:
            return D3DBLEND_ONE;
        case D3DRS_DESTBLEND:
        case D3DRS_DESTBLENDALPHA:
            return D3DBLEND_ZERO;
        case D3DRS_CULLMODE:
            return D3DCULL_CCW;
        case D3DRS_ZFUNC:
            return D3DCMP_LESSEQUAL;
        case D3DRS_ALPHAFUNC:
        case D3DRS_STENCILFUNC:
        case D3DRS_CCW_STENCILFUNC:
            return D3DCMP_ALWAYS;
        case D3DRS_STENCILFAIL:
        case D3DRS_STENCILZFAIL:
        case D3DRS_STENCILPASS:
        case D3DRS_CCW_STENCILFAIL:
        case D3DRS_CCW_STENCILZFAIL:
        case D3DRS_CCW_STENCILPASS:
            return kStencilKeep;
        case D3DRS_STENCILMASK:
        case D3DRS_STENCILWRITEMASK:
        case D3DRS_TEXTUREFACTOR:
        case D3DRS_MULTISAMPLEMASK:
        case D3DRS_BLENDFACTOR:
            return 0xFFFFFFFF;
        case D3DRS_ZWRITEENABLE:
        case D3DRS_LASTPIXEL:
        case D3DRS_CLIPPING:
        case D3DRS_LIGHTING:
        case D3DRS_COLORVERTEX:
        case D3DRS_LOCALVIEWER:
        case D3DRS_MULTISAMPLEANTIALIAS:
            return 1;
        case D3DRS_FOGEND:
        case D3DRS_FOGDENSITY:
        case D3DRS_POINTSIZE:
        case D3DRS_POINTSIZE_MIN:
        case D3DRS_POINTSCALE_A:
        case D3DRS_MINTESSELLATIONLEVEL:
        case D3DRS_MAXTESSELLATIONLEVEL:
        case D3DRS_ADAPTIVETESS_Z:
            return std::bit_cast<DWORD>(1.0f);
        case D3DRS_POINTSIZE_MAX:
            return std::bit_cast<DWORD>(64.0f);
        case D3DRS_DIFFUSEMATERIALSOURCE:
            return D3DMCS_COLOR1;
        case D3DRS_SPECULARMATERIALSOURCE:
            return D3DMCS_COLOR2;
        case D3DRS_COLORWRITEENABLE:
        case D3DRS_COLORWRITEENABLE1:
        case D3DRS_COLORWRITEENABLE2:
        case D3DRS_COLORWRITEENABLE3:
            return 0xF;
        case D3DRS_BLENDOP:
        case D3DRS_BLENDOPALPHA:
            return D3DBLENDOP_ADD;
        case D3DRS_POSITIONDEGREE:
            return kDegreeCubic;
        case D3DRS_NORMALDEGREE:
            return kDegreeLinear;
        default:
            return 0;
    }
}

constexpr DWORD DefaultStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    switch (type) {
        case D3DTSS_COLOROP:
            return stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        case D3DTSS_ALPHAOP:
            return stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        case D3DTSS_COLORARG1:
        case D3DTSS_ALPHAARG1:
            return D3DTA_TEXTURE;
        case D3DTSS_COLORARG2:
        case D3DTSS_ALPHAARG2:
        case D3DTSS_COLORARG0:
        case D3DTSS_ALPHAARG0:
        case D3DTSS_RESULTARG:
            return D3DTA_CURRENT;
        case D3DTSS_TEXCOORDINDEX:
            return stage;
        default:
            return 0;  // bump matrix and scale, texture transform disabled, constant black
    }
}

constexpr DWORD DefaultSamplerState(D3DSAMPLERSTATETYPE type) {
    switch (type) {
        case D3DSAMP_ADDRESSU:
        case D3DSAMP_ADDRESSV:
        case D3DSAMP_ADDRESSW:
            return D3DTADDRESS_WRAP;
        case D3DSAMP_MAGFILTER:
        case D3DSAMP_MINFILTER:
            return D3DTEXF_POINT;
        case D3DSAMP_MAXANISOTROPY:
            return 1;
        default:
            return 0;
    }
}

// The light LightEnable creates at an index that was never set: white, pointing along +z.
constexpr D3DLIGHT9 DefaultLight() {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    return light;
}

// SetLight refuses unknown kinds, spot and directional lights that point nowhere, and negative
// range or attenuation.
constexpr bool AcceptableLight(const D3DLIGHT9& light) {
    if (light.Type < D3DLIGHT_POINT || light.Type > D3DLIGHT_DIRECTIONAL)
        return false;
    const D3DVECTOR& d = light.Direction;
    if (light.Type != D3DLIGHT_POINT && d.x == 0.0f && d.y == 0.0f && d.z == 0.0f)
        return false;
    return light.Type == D3DLIGHT_DIRECTIONAL ||
           (light.Range >= 0.0f && light.Attenuation0 >= 0.0f && light.Attenuation1 >= 0.0f &&
            light.Attenuation2 >= 0.0f);
}

}  // namespace gfx
