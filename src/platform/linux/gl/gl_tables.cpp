#include "platform/linux/gl/gl_tables.h"

#include <iterator>

namespace gfx::gl {

namespace {

constexpr GLint kRGBA[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
constexpr GLint kRGB1[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ONE};

// A8R8G8B8 and its kin lie in memory as B, G, R, A: GL_BGRA with bytes or reversed packing.
const TextureFormat kTextureFormats[] = {
    {D3DFMT_A8R8G8B8,
     GL_RGBA8,
     GL_BGRA,
     GL_UNSIGNED_BYTE,
     {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]},
     4,
     0},
    {D3DFMT_X8R8G8B8,
     GL_RGBA8,
     GL_BGRA,
     GL_UNSIGNED_BYTE,
     {kRGB1[0], kRGB1[1], kRGB1[2], kRGB1[3]},
     4,
     0},
    {D3DFMT_R8G8B8,
     GL_RGB8,
     GL_BGR,
     GL_UNSIGNED_BYTE,
     {kRGB1[0], kRGB1[1], kRGB1[2], kRGB1[3]},
     3,
     0},
    {D3DFMT_R5G6B5,
     GL_RGB565,
     GL_RGB,
     GL_UNSIGNED_SHORT_5_6_5,
     {kRGB1[0], kRGB1[1], kRGB1[2], kRGB1[3]},
     2,
     0},
    {D3DFMT_A1R5G5B5,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]},
     2,
     0},
    {D3DFMT_X1R5G5B5,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {kRGB1[0], kRGB1[1], kRGB1[2], kRGB1[3]},
     2,
     0},
    {D3DFMT_A4R4G4B4,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]},
     2,
     0},
    {D3DFMT_X4R4G4B4,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {kRGB1[0], kRGB1[1], kRGB1[2], kRGB1[3]},
     2,
     0},
    {D3DFMT_A8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, 1, 0},
    {D3DFMT_L8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}, 1, 0},
    {D3DFMT_A8L8, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}, 2, 0},
    {D3DFMT_DXT1,
     GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,
     0,
     0,
     {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]},
     0,
     8},
    {D3DFMT_DXT3,
     GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,
     0,
     0,
     {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]},
     0,
     16},
    {D3DFMT_DXT5,
     GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
     0,
     0,
     {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]},
     0,
     16},
};

const GLenum kBlendFactors[] = {
    GL_ONE,                       // 0: not a D3D value
    GL_ZERO,                      // D3DBLEND_ZERO
    GL_ONE,                       // D3DBLEND_ONE
    GL_SRC_COLOR,                 // D3DBLEND_SRCCOLOR
    GL_ONE_MINUS_SRC_COLOR,       // D3DBLEND_INVSRCCOLOR
    GL_SRC_ALPHA,                 // D3DBLEND_SRCALPHA
    GL_ONE_MINUS_SRC_ALPHA,       // D3DBLEND_INVSRCALPHA
    GL_DST_ALPHA,                 // D3DBLEND_DESTALPHA
    GL_ONE_MINUS_DST_ALPHA,       // D3DBLEND_INVDESTALPHA
    GL_DST_COLOR,                 // D3DBLEND_DESTCOLOR
    GL_ONE_MINUS_DST_COLOR,       // D3DBLEND_INVDESTCOLOR
    GL_SRC_ALPHA_SATURATE,        // D3DBLEND_SRCALPHASAT
    GL_SRC_ALPHA,                 // D3DBLEND_BOTHSRCALPHA (the device sets the destination)
    GL_ONE_MINUS_SRC_ALPHA,       // D3DBLEND_BOTHINVSRCALPHA
    GL_CONSTANT_COLOR,            // D3DBLEND_BLENDFACTOR
    GL_ONE_MINUS_CONSTANT_COLOR,  // D3DBLEND_INVBLENDFACTOR
};

const GLenum kBlendEquations[] = {
    GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN, GL_MAX};

const GLenum kCompareFunctions[] = {GL_ALWAYS,  GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                    GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};

const GLenum kAddressModes[] = {GL_REPEAT,        GL_REPEAT,          GL_MIRRORED_REPEAT,
                                GL_CLAMP_TO_EDGE, GL_CLAMP_TO_BORDER, GL_CLAMP_TO_EDGE};

const GLenum kPrimitiveModes[] = {GL_POINTS,    GL_POINTS,         GL_LINES,       GL_LINE_STRIP,
                                  GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};

template <typename T, std::size_t N>
T Lookup(const T (&table)[N], DWORD index, T fallback) {
    return index < N ? table[index] : fallback;
}

}  // namespace

const TextureFormat* FindTextureFormat(D3DFORMAT format) {
    for (const auto& entry : kTextureFormats) {
        if (entry.format != format)
            continue;
        if (entry.blockBytes && !HasCompressedTextures())
            return nullptr;
        return &entry;
    }
    return nullptr;
}

bool HasCompressedTextures() {
    return epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
}

GLenum BlendFactor(DWORD d3dBlend) {
    return Lookup(kBlendFactors, d3dBlend, GLenum{GL_ONE});
}
GLenum BlendEquation(DWORD op) {
    return Lookup(kBlendEquations, op, GLenum{GL_FUNC_ADD});
}
GLenum CompareFunction(DWORD cmp) {
    return Lookup(kCompareFunctions, cmp, GLenum{GL_ALWAYS});
}
GLenum AddressMode(DWORD mode) {
    return Lookup(kAddressModes, mode, GLenum{GL_REPEAT});
}
GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    return Lookup(kPrimitiveModes, type, GLenum{GL_TRIANGLES});
}

UINT VertexCount(D3DPRIMITIVETYPE type, UINT count) {
    switch (type) {
        case D3DPT_POINTLIST:
            return count;
        case D3DPT_LINELIST:
            return count * 2;
        case D3DPT_LINESTRIP:
            return count + 1;
        case D3DPT_TRIANGLELIST:
            return count * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return count + 2;
        default:
            return 0;
    }
}

GLenum MinFilter(DWORD minFilter, DWORD mipFilter, bool mipmapped) {
    const bool linear = minFilter >= D3DTEXF_LINEAR;
    if (!mipmapped || mipFilter == D3DTEXF_NONE)
        return linear ? GL_LINEAR : GL_NEAREST;
    if (mipFilter == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

GLenum MagFilter(DWORD magFilter) {
    return magFilter >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}

}  // namespace gfx::gl
