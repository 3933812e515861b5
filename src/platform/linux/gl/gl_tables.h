// D3D constants to OpenGL enums, by table.
#pragma once

#include <epoxy/gl.h>

#include "platform/gfx/d3d_types.h"

namespace gfx::gl {

struct TextureFormat {
    D3DFORMAT format;
    GLenum internalFormat;
    GLenum pixelFormat;  // for compressed formats unused
    GLenum pixelType;
    GLint swizzle[4];
    std::uint8_t bytesPerPixel;  // 0 for block-compressed formats
    std::uint8_t blockBytes;     // bytes per 4 x 4 block of a compressed format
};

// Null for a format textures can't have.
const TextureFormat* FindTextureFormat(D3DFORMAT format);
bool HasCompressedTextures();

GLenum BlendFactor(DWORD d3dBlend);
GLenum BlendEquation(DWORD d3dBlendOp);
GLenum CompareFunction(DWORD d3dCmp);
GLenum AddressMode(DWORD d3dAddress);
GLenum PrimitiveMode(D3DPRIMITIVETYPE type);
// Vertices drawn for a primitive count; 0 for an unknown type.
UINT VertexCount(D3DPRIMITIVETYPE type, UINT primitiveCount);
GLenum MinFilter(DWORD minFilter, DWORD mipFilter, bool mipmapped);
GLenum MagFilter(DWORD magFilter);

}  // namespace gfx::gl
