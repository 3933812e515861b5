// The Direct3D 9 constants and records the engine and its data files use, under their D3D names
// and with their D3D numeric values, so device code reads as it would against Direct3D.
#pragma once

#include <cstdint>

#include "platform/window_messages.h"

namespace gfx {

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using D3DCOLOR = std::uint32_t;  // 0xAARRGGBB
using D3DFORMAT = std::uint32_t;
using D3DRENDERSTATETYPE = std::uint32_t;
using D3DTEXTURESTAGESTATETYPE = std::uint32_t;
using D3DSAMPLERSTATETYPE = std::uint32_t;
using D3DTRANSFORMSTATETYPE = std::uint32_t;
using D3DPRIMITIVETYPE = std::uint32_t;
using D3DPOOL = std::uint32_t;
using D3DDEVTYPE = std::uint32_t;
using D3DMULTISAMPLE_TYPE = std::uint32_t;
using D3DRESOURCETYPE = std::uint32_t;
using D3DLIGHTTYPE = std::uint32_t;
using D3DSWAPEFFECT = std::uint32_t;
using D3DBACKBUFFER_TYPE = std::uint32_t;

// Result codes.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = static_cast<HRESULT>(0x88760818u);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = static_cast<HRESULT>(0x88760819u);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = static_cast<HRESULT>(0x8876081Bu);
inline constexpr HRESULT D3DERR_TOOMANYOPERATIONS = static_cast<HRESULT>(0x8876081Du);
inline constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = static_cast<HRESULT>(0x88760822u);
inline constexpr HRESULT D3DERR_DRIVERINTERNALERROR = static_cast<HRESULT>(0x88760827u);
inline constexpr HRESULT D3DERR_NOTFOUND = static_cast<HRESULT>(0x88760866u);
inline constexpr HRESULT D3DERR_MOREDATA = static_cast<HRESULT>(0x88760867u);
inline constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
inline constexpr HRESULT D3DERR_DEVICENOTRESET = static_cast<HRESULT>(0x88760869u);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
inline constexpr HRESULT D3DERR_INVALIDDEVICE = static_cast<HRESULT>(0x8876086Bu);
inline constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
inline constexpr HRESULT D3DERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);

constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

constexpr D3DCOLOR D3DCOLOR_ARGB(std::uint32_t a, std::uint32_t r, std::uint32_t g,
                                 std::uint32_t b) {
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}
constexpr D3DCOLOR D3DCOLOR_XRGB(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return D3DCOLOR_ARGB(0xFF, r, g, b);
}
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24);
}

// D3DFORMAT
inline constexpr D3DFORMAT D3DFMT_UNKNOWN = 0;
inline constexpr D3DFORMAT D3DFMT_R8G8B8 = 20;
inline constexpr D3DFORMAT D3DFMT_A8R8G8B8 = 21;
inline constexpr D3DFORMAT D3DFMT_X8R8G8B8 = 22;
inline constexpr D3DFORMAT D3DFMT_R5G6B5 = 23;
inline constexpr D3DFORMAT D3DFMT_X1R5G5B5 = 24;
inline constexpr D3DFORMAT D3DFMT_A1R5G5B5 = 25;
inline constexpr D3DFORMAT D3DFMT_A4R4G4B4 = 26;
inline constexpr D3DFORMAT D3DFMT_R3G3B2 = 27;
inline constexpr D3DFORMAT D3DFMT_A8 = 28;
inline constexpr D3DFORMAT D3DFMT_A8R3G3B2 = 29;
inline constexpr D3DFORMAT D3DFMT_X4R4G4B4 = 30;
inline constexpr D3DFORMAT D3DFMT_A2B10G10R10 = 31;
inline constexpr D3DFORMAT D3DFMT_A8B8G8R8 = 32;
inline constexpr D3DFORMAT D3DFMT_X8B8G8R8 = 33;
inline constexpr D3DFORMAT D3DFMT_G16R16 = 34;
inline constexpr D3DFORMAT D3DFMT_A2R10G10B10 = 35;
inline constexpr D3DFORMAT D3DFMT_A16B16G16R16 = 36;
inline constexpr D3DFORMAT D3DFMT_A8P8 = 40;
inline constexpr D3DFORMAT D3DFMT_P8 = 41;
inline constexpr D3DFORMAT D3DFMT_L8 = 50;
inline constexpr D3DFORMAT D3DFMT_A8L8 = 51;
inline constexpr D3DFORMAT D3DFMT_A4L4 = 52;
inline constexpr D3DFORMAT D3DFMT_V8U8 = 60;
inline constexpr D3DFORMAT D3DFMT_L6V5U5 = 61;
inline constexpr D3DFORMAT D3DFMT_X8L8V8U8 = 62;
inline constexpr D3DFORMAT D3DFMT_Q8W8V8U8 = 63;
inline constexpr D3DFORMAT D3DFMT_V16U16 = 64;
inline constexpr D3DFORMAT D3DFMT_A2W10V10U10 = 67;
inline constexpr D3DFORMAT D3DFMT_DXT1 = MakeFourCC('D', 'X', 'T', '1');
inline constexpr D3DFORMAT D3DFMT_DXT2 = MakeFourCC('D', 'X', 'T', '2');
inline constexpr D3DFORMAT D3DFMT_DXT3 = MakeFourCC('D', 'X', 'T', '3');
inline constexpr D3DFORMAT D3DFMT_DXT4 = MakeFourCC('D', 'X', 'T', '4');
inline constexpr D3DFORMAT D3DFMT_DXT5 = MakeFourCC('D', 'X', 'T', '5');
inline constexpr D3DFORMAT D3DFMT_D16_LOCKABLE = 70;
inline constexpr D3DFORMAT D3DFMT_D32 = 71;
inline constexpr D3DFORMAT D3DFMT_D15S1 = 73;
inline constexpr D3DFORMAT D3DFMT_D24S8 = 75;
inline constexpr D3DFORMAT D3DFMT_D24X8 = 77;
inline constexpr D3DFORMAT D3DFMT_D24X4S4 = 79;
inline constexpr D3DFORMAT D3DFMT_D16 = 80;
inline constexpr D3DFORMAT D3DFMT_L16 = 81;
inline constexpr D3DFORMAT D3DFMT_D32F_LOCKABLE = 82;
inline constexpr D3DFORMAT D3DFMT_D24FS8 = 83;
inline constexpr D3DFORMAT D3DFMT_VERTEXDATA = 100;
inline constexpr D3DFORMAT D3DFMT_INDEX16 = 101;
inline constexpr D3DFORMAT D3DFMT_INDEX32 = 102;
inline constexpr D3DFORMAT D3DFMT_Q16W16V16U16 = 110;
inline constexpr D3DFORMAT D3DFMT_MULTI2_ARGB8 = MakeFourCC('M', 'E', 'T', '1');
inline constexpr D3DFORMAT D3DFMT_R16F = 111;
inline constexpr D3DFORMAT D3DFMT_G16R16F = 112;
inline constexpr D3DFORMAT D3DFMT_A16B16G16R16F = 113;
inline constexpr D3DFORMAT D3DFMT_R32F = 114;
inline constexpr D3DFORMAT D3DFMT_G32R32F = 115;
inline constexpr D3DFORMAT D3DFMT_A32B32G32R32F = 116;
inline constexpr D3DFORMAT D3DFMT_CxV8U8 = 117;

// D3DRENDERSTATETYPE
inline constexpr D3DRENDERSTATETYPE D3DRS_ZENABLE = 7;
inline constexpr D3DRENDERSTATETYPE D3DRS_FILLMODE = 8;
inline constexpr D3DRENDERSTATETYPE D3DRS_SHADEMODE = 9;
inline constexpr D3DRENDERSTATETYPE D3DRS_ZWRITEENABLE = 14;
inline constexpr D3DRENDERSTATETYPE D3DRS_ALPHATESTENABLE = 15;
inline constexpr D3DRENDERSTATETYPE D3DRS_LASTPIXEL = 16;
inline constexpr D3DRENDERSTATETYPE D3DRS_SRCBLEND = 19;
inline constexpr D3DRENDERSTATETYPE D3DRS_DESTBLEND = 20;
inline constexpr D3DRENDERSTATETYPE D3DRS_CULLMODE = 22;
inline constexpr D3DRENDERSTATETYPE D3DRS_ZFUNC = 23;
inline constexpr D3DRENDERSTATETYPE D3DRS_ALPHAREF = 24;
inline constexpr D3DRENDERSTATETYPE D3DRS_ALPHAFUNC = 25;
inline constexpr D3DRENDERSTATETYPE D3DRS_DITHERENABLE = 26;
inline constexpr D3DRENDERSTATETYPE D3DRS_ALPHABLENDENABLE = 27;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGENABLE = 28;
inline constexpr D3DRENDERSTATETYPE D3DRS_SPECULARENABLE = 29;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGCOLOR = 34;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGTABLEMODE = 35;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGSTART = 36;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGEND = 37;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGDENSITY = 38;
inline constexpr D3DRENDERSTATETYPE D3DRS_RANGEFOGENABLE = 48;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILENABLE = 52;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILFAIL = 53;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILZFAIL = 54;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILPASS = 55;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILFUNC = 56;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILREF = 57;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILMASK = 58;
inline constexpr D3DRENDERSTATETYPE D3DRS_STENCILWRITEMASK = 59;
inline constexpr D3DRENDERSTATETYPE D3DRS_TEXTUREFACTOR = 60;
inline constexpr D3DRENDERSTATETYPE D3DRS_WRAP0 = 128;
inline constexpr D3DRENDERSTATETYPE D3DRS_CLIPPING = 136;
inline constexpr D3DRENDERSTATETYPE D3DRS_LIGHTING = 137;
inline constexpr D3DRENDERSTATETYPE D3DRS_AMBIENT = 139;
inline constexpr D3DRENDERSTATETYPE D3DRS_FOGVERTEXMODE = 140;
inline constexpr D3DRENDERSTATETYPE D3DRS_COLORVERTEX = 141;
inline constexpr D3DRENDERSTATETYPE D3DRS_LOCALVIEWER = 142;
inline constexpr D3DRENDERSTATETYPE D3DRS_NORMALIZENORMALS = 143;
inline constexpr D3DRENDERSTATETYPE D3DRS_DIFFUSEMATERIALSOURCE = 145;
inline constexpr D3DRENDERSTATETYPE D3DRS_SPECULARMATERIALSOURCE = 146;
inline constexpr D3DRENDERSTATETYPE D3DRS_AMBIENTMATERIALSOURCE = 147;
inline constexpr D3DRENDERSTATETYPE D3DRS_EMISSIVEMATERIALSOURCE = 148;
inline constexpr D3DRENDERSTATETYPE D3DRS_VERTEXBLEND = 151;
inline constexpr D3DRENDERSTATETYPE D3DRS_CLIPPLANEENABLE = 152;
inline constexpr D3DRENDERSTATETYPE D3DRS_POINTSIZE = 154;
inline constexpr D3DRENDERSTATETYPE D3DRS_POINTSIZE_MIN = 155;
inline constexpr D3DRENDERSTATETYPE D3DRS_POINTSCALE_A = 158;
inline constexpr D3DRENDERSTATETYPE D3DRS_MULTISAMPLEANTIALIAS = 161;
inline constexpr D3DRENDERSTATETYPE D3DRS_MULTISAMPLEMASK = 162;
inline constexpr D3DRENDERSTATETYPE D3DRS_POINTSIZE_MAX = 166;
inline constexpr D3DRENDERSTATETYPE D3DRS_COLORWRITEENABLE = 168;
inline constexpr D3DRENDERSTATETYPE D3DRS_BLENDOP = 171;
inline constexpr D3DRENDERSTATETYPE D3DRS_POSITIONDEGREE = 172;
inline constexpr D3DRENDERSTATETYPE D3DRS_NORMALDEGREE = 173;
inline constexpr D3DRENDERSTATETYPE D3DRS_SCISSORTESTENABLE = 174;
inline constexpr D3DRENDERSTATETYPE D3DRS_SLOPESCALEDEPTHBIAS = 175;
inline constexpr D3DRENDERSTATETYPE D3DRS_MINTESSELLATIONLEVEL = 178;
inline constexpr D3DRENDERSTATETYPE D3DRS_MAXTESSELLATIONLEVEL = 179;
inline constexpr D3DRENDERSTATETYPE D3DRS_ADAPTIVETESS_Z = 182;
inline constexpr D3DRENDERSTATETYPE D3DRS_CCW_STENCILFAIL = 186;
inline constexpr D3DRENDERSTATETYPE D3DRS_CCW_STENCILZFAIL = 187;
inline constexpr D3DRENDERSTATETYPE D3DRS_CCW_STENCILPASS = 188;
inline constexpr D3DRENDERSTATETYPE D3DRS_CCW_STENCILFUNC = 189;
inline constexpr D3DRENDERSTATETYPE D3DRS_COLORWRITEENABLE1 = 190;
inline constexpr D3DRENDERSTATETYPE D3DRS_COLORWRITEENABLE2 = 191;
inline constexpr D3DRENDERSTATETYPE D3DRS_COLORWRITEENABLE3 = 192;
inline constexpr D3DRENDERSTATETYPE D3DRS_BLENDFACTOR = 193;
inline constexpr D3DRENDERSTATETYPE D3DRS_SRGBWRITEENABLE = 194;
inline constexpr D3DRENDERSTATETYPE D3DRS_DEPTHBIAS = 195;
inline constexpr D3DRENDERSTATETYPE D3DRS_SEPARATEALPHABLENDENABLE = 206;
inline constexpr D3DRENDERSTATETYPE D3DRS_SRCBLENDALPHA = 207;
inline constexpr D3DRENDERSTATETYPE D3DRS_DESTBLENDALPHA = 208;
inline constexpr D3DRENDERSTATETYPE D3DRS_BLENDOPALPHA = 209;
inline constexpr std::uint32_t kRenderStateCount = 256;  // every D3DRS_* value is below this

// D3DTEXTURESTAGESTATETYPE
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLOROP = 1;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG1 = 2;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG2 = 3;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAOP = 4;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG1 = 5;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG2 = 6;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BUMPENVMAT00 = 7;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BUMPENVMAT01 = 8;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BUMPENVMAT10 = 9;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BUMPENVMAT11 = 10;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_TEXCOORDINDEX = 11;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BUMPENVLSCALE = 22;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BUMPENVLOFFSET = 23;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_TEXTURETRANSFORMFLAGS = 24;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_COLORARG0 = 26;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ALPHAARG0 = 27;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_RESULTARG = 28;
inline constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_CONSTANT = 32;
inline constexpr std::uint32_t kStageStateCount = 33;
inline constexpr std::uint32_t kMaxTextureStages = 8;

// D3DTSS_TEXCOORDINDEX generation flags (or'ed with the coordinate set index)
inline constexpr DWORD D3DTSS_TCI_PASSTHRU = 0x00000;
inline constexpr DWORD D3DTSS_TCI_CAMERASPACENORMAL = 0x10000;
inline constexpr DWORD D3DTSS_TCI_CAMERASPACEPOSITION = 0x20000;
inline constexpr DWORD D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR = 0x30000;
inline constexpr DWORD D3DTSS_TCI_SPHEREMAP = 0x40000;

// D3DTEXTURETRANSFORMFLAGS
inline constexpr DWORD D3DTTFF_DISABLE = 0;
inline constexpr DWORD D3DTTFF_COUNT1 = 1;
inline constexpr DWORD D3DTTFF_COUNT2 = 2;
inline constexpr DWORD D3DTTFF_COUNT3 = 3;
inline constexpr DWORD D3DTTFF_COUNT4 = 4;
inline constexpr DWORD D3DTTFF_PROJECTED = 256;

// D3DSAMPLERSTATETYPE
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_ADDRESSU = 1;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_ADDRESSV = 2;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_ADDRESSW = 3;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_BORDERCOLOR = 4;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_MAGFILTER = 5;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_MINFILTER = 6;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_MIPFILTER = 7;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_MIPMAPLODBIAS = 8;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_MAXMIPLEVEL = 9;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_MAXANISOTROPY = 10;
inline constexpr D3DSAMPLERSTATETYPE D3DSAMP_SRGBTEXTURE = 11;
inline constexpr std::uint32_t kSamplerStateCount = 14;

// D3DTEXTUREADDRESS
inline constexpr DWORD D3DTADDRESS_WRAP = 1;
inline constexpr DWORD D3DTADDRESS_MIRROR = 2;
inline constexpr DWORD D3DTADDRESS_CLAMP = 3;
inline constexpr DWORD D3DTADDRESS_BORDER = 4;
inline constexpr DWORD D3DTADDRESS_MIRRORONCE = 5;

// D3DTEXTUREFILTERTYPE
inline constexpr DWORD D3DTEXF_NONE = 0;
inline constexpr DWORD D3DTEXF_POINT = 1;
inline constexpr DWORD D3DTEXF_LINEAR = 2;
inline constexpr DWORD D3DTEXF_ANISOTROPIC = 3;
inline constexpr DWORD D3DTEXF_PYRAMIDALQUAD = 6;
inline constexpr DWORD D3DTEXF_GAUSSIANQUAD = 7;

// D3DTEXTUREOP
inline constexpr DWORD D3DTOP_DISABLE = 1;
inline constexpr DWORD D3DTOP_SELECTARG1 = 2;
inline constexpr DWORD D3DTOP_SELECTARG2 = 3;
inline constexpr DWORD D3DTOP_MODULATE = 4;
inline constexpr DWORD D3DTOP_MODULATE2X = 5;
inline constexpr DWORD D3DTOP_MODULATE4X = 6;
inline constexpr DWORD D3DTOP_ADD = 7;
inline constexpr DWORD D3DTOP_ADDSIGNED = 8;
inline constexpr DWORD D3DTOP_ADDSIGNED2X = 9;
inline constexpr DWORD D3DTOP_SUBTRACT = 10;
inline constexpr DWORD D3DTOP_ADDSMOOTH = 11;
inline constexpr DWORD D3DTOP_BLENDDIFFUSEALPHA = 12;
inline constexpr DWORD D3DTOP_BLENDTEXTUREALPHA = 13;
inline constexpr DWORD D3DTOP_BLENDFACTORALPHA = 14;
inline constexpr DWORD D3DTOP_BLENDTEXTUREALPHAPM = 15;
inline constexpr DWORD D3DTOP_BLENDCURRENTALPHA = 16;
inline constexpr DWORD D3DTOP_PREMODULATE = 17;
inline constexpr DWORD D3DTOP_MODULATEALPHA_ADDCOLOR = 18;
inline constexpr DWORD D3DTOP_MODULATECOLOR_ADDALPHA = 19;
inline constexpr DWORD D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20;
inline constexpr DWORD D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21;
inline constexpr DWORD D3DTOP_BUMPENVMAP = 22;
inline constexpr DWORD D3DTOP_BUMPENVMAPLUMINANCE = 23;
inline constexpr DWORD D3DTOP_DOTPRODUCT3 = 24;
inline constexpr DWORD D3DTOP_MULTIPLYADD = 25;
inline constexpr DWORD D3DTOP_LERP = 26;

// D3DTA texture arguments
inline constexpr DWORD D3DTA_SELECTMASK = 0x0F;
inline constexpr DWORD D3DTA_DIFFUSE = 0x00;
inline constexpr DWORD D3DTA_CURRENT = 0x01;
inline constexpr DWORD D3DTA_TEXTURE = 0x02;
inline constexpr DWORD D3DTA_TFACTOR = 0x03;
inline constexpr DWORD D3DTA_SPECULAR = 0x04;
inline constexpr DWORD D3DTA_TEMP = 0x05;
inline constexpr DWORD D3DTA_CONSTANT = 0x06;
inline constexpr DWORD D3DTA_COMPLEMENT = 0x10;
inline constexpr DWORD D3DTA_ALPHAREPLICATE = 0x20;

// D3DBLEND, D3DBLENDOP
inline constexpr DWORD D3DBLEND_ZERO = 1;
inline constexpr DWORD D3DBLEND_ONE = 2;
inline constexpr DWORD D3DBLEND_SRCCOLOR = 3;
inline constexpr DWORD D3DBLEND_INVSRCCOLOR = 4;
inline constexpr DWORD D3DBLEND_SRCALPHA = 5;
inline constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
inline constexpr DWORD D3DBLEND_DESTALPHA = 7;
inline constexpr DWORD D3DBLEND_INVDESTALPHA = 8;
inline constexpr DWORD D3DBLEND_DESTCOLOR = 9;
inline constexpr DWORD D3DBLEND_INVDESTCOLOR = 10;
inline constexpr DWORD D3DBLEND_SRCALPHASAT = 11;
inline constexpr DWORD D3DBLEND_BOTHSRCALPHA = 12;
inline constexpr DWORD D3DBLEND_BOTHINVSRCALPHA = 13;
inline constexpr DWORD D3DBLEND_BLENDFACTOR = 14;
inline constexpr DWORD D3DBLEND_INVBLENDFACTOR = 15;
inline constexpr DWORD D3DBLENDOP_ADD = 1;
inline constexpr DWORD D3DBLENDOP_SUBTRACT = 2;
inline constexpr DWORD D3DBLENDOP_REVSUBTRACT = 3;
inline constexpr DWORD D3DBLENDOP_MIN = 4;
inline constexpr DWORD D3DBLENDOP_MAX = 5;

// D3DCMPFUNC
inline constexpr DWORD D3DCMP_NEVER = 1;
inline constexpr DWORD D3DCMP_LESS = 2;
inline constexpr DWORD D3DCMP_EQUAL = 3;
inline constexpr DWORD D3DCMP_LESSEQUAL = 4;
inline constexpr DWORD D3DCMP_GREATER = 5;
inline constexpr DWORD D3DCMP_NOTEQUAL = 6;
inline constexpr DWORD D3DCMP_GREATEREQUAL = 7;
inline constexpr DWORD D3DCMP_ALWAYS = 8;

// D3DCULL (front faces are clockwise on screen)
inline constexpr DWORD D3DCULL_NONE = 1;
inline constexpr DWORD D3DCULL_CW = 2;
inline constexpr DWORD D3DCULL_CCW = 3;

// D3DFOGMODE, D3DFILLMODE, D3DSHADEMODE, D3DZBUFFERTYPE, D3DMATERIALCOLORSOURCE
inline constexpr DWORD D3DFOG_NONE = 0;
inline constexpr DWORD D3DFOG_EXP = 1;
inline constexpr DWORD D3DFOG_EXP2 = 2;
inline constexpr DWORD D3DFOG_LINEAR = 3;
inline constexpr DWORD D3DFILL_POINT = 1;
inline constexpr DWORD D3DFILL_WIREFRAME = 2;
inline constexpr DWORD D3DFILL_SOLID = 3;
inline constexpr DWORD D3DSHADE_FLAT = 1;
inline constexpr DWORD D3DSHADE_GOURAUD = 2;
inline constexpr DWORD D3DSHADE_PHONG = 3;
inline constexpr DWORD D3DZB_FALSE = 0;
inline constexpr DWORD D3DZB_TRUE = 1;
inline constexpr DWORD D3DZB_USEW = 2;
inline constexpr DWORD D3DMCS_MATERIAL = 0;
inline constexpr DWORD D3DMCS_COLOR1 = 1;
inline constexpr DWORD D3DMCS_COLOR2 = 2;

// D3DCOLORWRITEENABLE
inline constexpr DWORD D3DCOLORWRITEENABLE_RED = 1;
inline constexpr DWORD D3DCOLORWRITEENABLE_GREEN = 2;
inline constexpr DWORD D3DCOLORWRITEENABLE_BLUE = 4;
inline constexpr DWORD D3DCOLORWRITEENABLE_ALPHA = 8;

// D3DFVF vertex format codes
inline constexpr DWORD D3DFVF_RESERVED0 = 0x001;
inline constexpr DWORD D3DFVF_POSITION_MASK = 0x400E;
inline constexpr DWORD D3DFVF_XYZ = 0x002;
inline constexpr DWORD D3DFVF_XYZRHW = 0x004;
inline constexpr DWORD D3DFVF_XYZB1 = 0x006;
inline constexpr DWORD D3DFVF_XYZB2 = 0x008;
inline constexpr DWORD D3DFVF_XYZB3 = 0x00A;
inline constexpr DWORD D3DFVF_XYZB4 = 0x00C;
inline constexpr DWORD D3DFVF_XYZB5 = 0x00E;
inline constexpr DWORD D3DFVF_XYZW = 0x4002;
inline constexpr DWORD D3DFVF_NORMAL = 0x010;
inline constexpr DWORD D3DFVF_PSIZE = 0x020;
inline constexpr DWORD D3DFVF_DIFFUSE = 0x040;
inline constexpr DWORD D3DFVF_SPECULAR = 0x080;
inline constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
inline constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
inline constexpr DWORD D3DFVF_TEX0 = 0x000;
inline constexpr DWORD D3DFVF_TEX1 = 0x100;
inline constexpr DWORD D3DFVF_TEX2 = 0x200;
inline constexpr DWORD D3DFVF_TEX3 = 0x300;
inline constexpr DWORD D3DFVF_TEX4 = 0x400;
inline constexpr DWORD D3DFVF_TEX5 = 0x500;
inline constexpr DWORD D3DFVF_TEX6 = 0x600;
inline constexpr DWORD D3DFVF_TEX7 = 0x700;
inline constexpr DWORD D3DFVF_TEX8 = 0x800;
inline constexpr DWORD D3DFVF_LASTBETA_UBYTE4 = 0x1000;
inline constexpr DWORD D3DFVF_LASTBETA_D3DCOLOR = 0x8000;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT1 = 3;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT2 = 0;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT3 = 1;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT4 = 2;
constexpr DWORD D3DFVF_TEXCOORDSIZE1(DWORD set) {
    return D3DFVF_TEXTUREFORMAT1 << (set * 2 + 16);
}
constexpr DWORD D3DFVF_TEXCOORDSIZE2(DWORD set) {
    return D3DFVF_TEXTUREFORMAT2 << (set * 2 + 16);
}
constexpr DWORD D3DFVF_TEXCOORDSIZE3(DWORD set) {
    return D3DFVF_TEXTUREFORMAT3 << (set * 2 + 16);
}
constexpr DWORD D3DFVF_TEXCOORDSIZE4(DWORD set) {
    return D3DFVF_TEXTUREFORMAT4 << (set * 2 + 16);
}

// D3DPRIMITIVETYPE
inline constexpr D3DPRIMITIVETYPE D3DPT_POINTLIST = 1;
inline constexpr D3DPRIMITIVETYPE D3DPT_LINELIST = 2;
inline constexpr D3DPRIMITIVETYPE D3DPT_LINESTRIP = 3;
inline constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLELIST = 4;
inline constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLESTRIP = 5;
inline constexpr D3DPRIMITIVETYPE D3DPT_TRIANGLEFAN = 6;

// D3DPOOL, D3DUSAGE, D3DLOCK
inline constexpr D3DPOOL D3DPOOL_DEFAULT = 0;
inline constexpr D3DPOOL D3DPOOL_MANAGED = 1;
inline constexpr D3DPOOL D3DPOOL_SYSTEMMEM = 2;
inline constexpr D3DPOOL D3DPOOL_SCRATCH = 3;
inline constexpr DWORD D3DUSAGE_RENDERTARGET = 0x001;
inline constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x002;
inline constexpr DWORD D3DUSAGE_WRITEONLY = 0x008;
inline constexpr DWORD D3DUSAGE_SOFTWAREPROCESSING = 0x010;
inline constexpr DWORD D3DUSAGE_DONOTCLIP = 0x020;
inline constexpr DWORD D3DUSAGE_POINTS = 0x040;
inline constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;
inline constexpr DWORD D3DUSAGE_AUTOGENMIPMAP = 0x400;
inline constexpr DWORD D3DLOCK_READONLY = 0x0010;
inline constexpr DWORD D3DLOCK_NOSYSLOCK = 0x0800;
inline constexpr DWORD D3DLOCK_NOOVERWRITE = 0x1000;
inline constexpr DWORD D3DLOCK_DISCARD = 0x2000;
inline constexpr DWORD D3DLOCK_DONOTWAIT = 0x4000;
inline constexpr DWORD D3DLOCK_NO_DIRTY_UPDATE = 0x8000;

// D3DRESOURCETYPE
inline constexpr D3DRESOURCETYPE D3DRTYPE_SURFACE = 1;
inline constexpr D3DRESOURCETYPE D3DRTYPE_VOLUME = 2;
inline constexpr D3DRESOURCETYPE D3DRTYPE_TEXTURE = 3;
inline constexpr D3DRESOURCETYPE D3DRTYPE_VOLUMETEXTURE = 4;
inline constexpr D3DRESOURCETYPE D3DRTYPE_CUBETEXTURE = 5;
inline constexpr D3DRESOURCETYPE D3DRTYPE_VERTEXBUFFER = 6;
inline constexpr D3DRESOURCETYPE D3DRTYPE_INDEXBUFFER = 7;

// D3DLIGHTTYPE
inline constexpr D3DLIGHTTYPE D3DLIGHT_POINT = 1;
inline constexpr D3DLIGHTTYPE D3DLIGHT_SPOT = 2;
inline constexpr D3DLIGHTTYPE D3DLIGHT_DIRECTIONAL = 3;
inline constexpr std::uint32_t kMaxActiveLights = 8;

// D3DMULTISAMPLE_TYPE
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_NONE = 0;
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_NONMASKABLE = 1;
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_2_SAMPLES = 2;
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_3_SAMPLES = 3;
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_4_SAMPLES = 4;
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_8_SAMPLES = 8;
inline constexpr D3DMULTISAMPLE_TYPE D3DMULTISAMPLE_16_SAMPLES = 16;

// D3DPRESENT_INTERVAL_*
inline constexpr DWORD D3DPRESENT_INTERVAL_DEFAULT = 0x00000000;
inline constexpr DWORD D3DPRESENT_INTERVAL_ONE = 0x00000001;
inline constexpr DWORD D3DPRESENT_INTERVAL_TWO = 0x00000002;
inline constexpr DWORD D3DPRESENT_INTERVAL_THREE = 0x00000004;
inline constexpr DWORD D3DPRESENT_INTERVAL_FOUR = 0x00000008;
inline constexpr DWORD D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;

// Present parameters
inline constexpr D3DSWAPEFFECT D3DSWAPEFFECT_DISCARD = 1;
inline constexpr D3DSWAPEFFECT D3DSWAPEFFECT_FLIP = 2;
inline constexpr D3DSWAPEFFECT D3DSWAPEFFECT_COPY = 3;
inline constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;
inline constexpr DWORD D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL = 0x2;
inline constexpr D3DBACKBUFFER_TYPE D3DBACKBUFFER_TYPE_MONO = 0;

// D3DDEVTYPE, D3DCREATE, D3DDEVCAPS, D3DADAPTER
inline constexpr D3DDEVTYPE D3DDEVTYPE_HAL = 1;
inline constexpr D3DDEVTYPE D3DDEVTYPE_REF = 2;
inline constexpr D3DDEVTYPE D3DDEVTYPE_SW = 3;
inline constexpr D3DDEVTYPE D3DDEVTYPE_NULLREF = 4;
inline constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x02;
inline constexpr DWORD D3DCREATE_MULTITHREADED = 0x04;
inline constexpr DWORD D3DCREATE_PUREDEVICE = 0x10;
inline constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
inline constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
inline constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;
inline constexpr DWORD D3DDEVCAPS_EXECUTESYSTEMMEMORY = 0x00000010;
inline constexpr DWORD D3DDEVCAPS_TLVERTEXSYSTEMMEMORY = 0x00000040;
inline constexpr DWORD D3DDEVCAPS_TEXTUREVIDEOMEMORY = 0x00000200;
inline constexpr DWORD D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x00000400;
inline constexpr DWORD D3DDEVCAPS_CANRENDERAFTERFLIP = 0x00000800;
inline constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
inline constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x00080000;
inline constexpr DWORD D3DDEVCAPS_PUREDEVICE = 0x00100000;
inline constexpr UINT D3DADAPTER_DEFAULT = 0;

// D3DTRANSFORMSTATETYPE
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_VIEW = 2;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_PROJECTION = 3;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE0 = 16;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE1 = 17;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE2 = 18;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE3 = 19;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE4 = 20;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE5 = 21;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE6 = 22;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_TEXTURE7 = 23;
inline constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLD = 256;
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(std::uint32_t index) {
    return 256 + index;
}
inline constexpr std::uint32_t kTransformStateCount = 512;

// Clear and gamma flags
inline constexpr DWORD D3DCLEAR_TARGET = 0x1;
inline constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
inline constexpr DWORD D3DCLEAR_STENCIL = 0x4;
inline constexpr DWORD D3DSGR_NO_CALIBRATION = 0x0;
inline constexpr DWORD D3DSGR_CALIBRATE = 0x1;

struct RECT {
    std::int32_t left, top, right, bottom;
};

struct D3DRECT {
    std::int32_t x1, y1, x2, y2;
};

struct D3DCOLORVALUE {
    float r, g, b, a;
};

struct D3DVECTOR {
    float x, y, z;
};

// Row vectors: a point transforms as v * M, the translation is in m[3][0..2]. The memory layout
// equals the column-major layout of the transpose, which is how shaders take it.
struct D3DMATRIX {
    float m[4][4];
};

struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

struct D3DLIGHT9 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

struct D3DVIEWPORT9 {
    DWORD X, Y, Width, Height;
    float MinZ, MaxZ;
};

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    // The window drawn into: an SDL window's id (made with SDL_WINDOW_OPENGL); 0 lets the device
    // make one of its own.
    platform::WindowHandle hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

// The capability fields the engine reads; the others of D3D's record are left out.
struct D3DCAPS9 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD Caps;
    DWORD Caps2;
    DWORD Caps3;
    DWORD PresentationIntervals;
    DWORD CursorCaps;
    DWORD DevCaps;
    DWORD PrimitiveMiscCaps;
    DWORD RasterCaps;
    DWORD ZCmpCaps;
    DWORD SrcBlendCaps;
    DWORD DestBlendCaps;
    DWORD AlphaCmpCaps;
    DWORD ShadeCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxAnisotropy;
    DWORD TextureOpCaps;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD VertexProcessingCaps;
    DWORD MaxActiveLights;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
    DWORD FVFCaps;
};

struct D3DADAPTER_IDENTIFIER9 {
    char Driver[512];
    char Description[512];
    char DeviceName[32];
    std::int64_t DriverVersion;
    DWORD VendorId;
    DWORD DeviceId;
    DWORD SubSysId;
    DWORD Revision;
    std::uint8_t DeviceIdentifier[16];
    DWORD WHQLLevel;
};

struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
};

struct D3DVERTEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    DWORD FVF;
};

struct D3DINDEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
};

struct D3DLOCKED_RECT {
    std::int32_t Pitch;
    void* pBits;
};

struct D3DGAMMARAMP {
    WORD red[256];
    WORD green[256];
    WORD blue[256];
};

// Bytes per vertex of a vertex format (position, blend weights, normal, point size, colours and
// every texture-coordinate set by its declared size).
constexpr UINT FvfStride(DWORD fvf) {
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ:
            size = 12;
            break;
        case D3DFVF_XYZRHW:
            size = 16;
            break;
        case D3DFVF_XYZW:
            size = 16;
            break;
        case D3DFVF_XYZB1:
            size = 16;
            break;
        case D3DFVF_XYZB2:
            size = 20;
            break;
        case D3DFVF_XYZB3:
            size = 24;
            break;
        case D3DFVF_XYZB4:
            size = 28;
            break;
        case D3DFVF_XYZB5:
            size = 32;
            break;
        default:
            break;
    }
    if (fvf & D3DFVF_NORMAL)
        size += 12;
    if (fvf & D3DFVF_PSIZE)
        size += 4;
    if (fvf & D3DFVF_DIFFUSE)
        size += 4;
    if (fvf & D3DFVF_SPECULAR)
        size += 4;
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD i = 0; i < sets && i < 8; ++i) {
        switch ((fvf >> (i * 2 + 16)) & 3) {
            case D3DFVF_TEXTUREFORMAT1:
                size += 4;
                break;
            case D3DFVF_TEXTUREFORMAT2:
                size += 8;
                break;
            case D3DFVF_TEXTUREFORMAT3:
                size += 12;
                break;
            default:
                size += 16;
                break;
        }
    }
    return size;
}

}  // namespace gfx
