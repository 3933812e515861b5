#include "render/textures/image/pixel_format.h"

#include "platform/gfx/d3d_types.h"

namespace render {
namespace {

std::uint32_t Widen(std::uint32_t value, int bits) {
    const std::uint32_t max = (1u << bits) - 1;
    return (value * 255 + max / 2) / max;
}

std::uint32_t Narrow(std::uint32_t value, int bits) {
    const std::uint32_t max = (1u << bits) - 1;
    return (value * max + 127) / 255;
}

std::uint32_t Read16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

void Write16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

std::uint32_t TexelBytes(std::uint32_t format) {
    switch (format) {
        case gfx::D3DFMT_A8R8G8B8:
        case gfx::D3DFMT_X8R8G8B8:
            return 4;
        case gfx::D3DFMT_R8G8B8:
            return 3;
        case gfx::D3DFMT_R5G6B5:
        case gfx::D3DFMT_X1R5G5B5:
        case gfx::D3DFMT_A1R5G5B5:
        case gfx::D3DFMT_A4R4G4B4:
        case gfx::D3DFMT_X4R4G4B4:
            return 2;
        default:
            return 0;
    }
}

std::uint32_t UnpackTexel(std::uint32_t format, const std::uint8_t* p) {
    switch (format) {
        case gfx::D3DFMT_A8R8G8B8:
            return Argb(p[3], p[2], p[1], p[0]);
        case gfx::D3DFMT_X8R8G8B8:
        case gfx::D3DFMT_R8G8B8:
            return Argb(255, p[2], p[1], p[0]);
        case gfx::D3DFMT_R5G6B5: {
            const std::uint32_t v = Read16(p);
            return Argb(255, Widen(v >> 11, 5), Widen(v >> 5 & 63, 6), Widen(v & 31, 5));
        }
        case gfx::D3DFMT_X1R5G5B5:
        case gfx::D3DFMT_A1R5G5B5: {
            const std::uint32_t v = Read16(p);
            const std::uint32_t a = format == gfx::D3DFMT_X1R5G5B5 || (v & 0x8000) ? 255 : 0;
            return Argb(a, Widen(v >> 10 & 31, 5), Widen(v >> 5 & 31, 5), Widen(v & 31, 5));
        }
        case gfx::D3DFMT_A4R4G4B4:
        case gfx::D3DFMT_X4R4G4B4: {
            const std::uint32_t v = Read16(p);
            const std::uint32_t a = format == gfx::D3DFMT_X4R4G4B4 ? 255 : (v >> 12) * 17;
            return Argb(a, (v >> 8 & 15) * 17, (v >> 4 & 15) * 17, (v & 15) * 17);
        }
        default:
            return 0;
    }
}

void PackTexel(std::uint32_t format, std::uint32_t argb, std::uint8_t* p) {
    const std::uint32_t a = argb >> 24, r = argb >> 16 & 255, g = argb >> 8 & 255, b = argb & 255;
    switch (format) {
        case gfx::D3DFMT_A8R8G8B8:
        case gfx::D3DFMT_X8R8G8B8:
            p[0] = std::uint8_t(b);
            p[1] = std::uint8_t(g);
            p[2] = std::uint8_t(r);
            p[3] = std::uint8_t(format == gfx::D3DFMT_X8R8G8B8 ? 255 : a);
            break;
        case gfx::D3DFMT_R8G8B8:
            p[0] = std::uint8_t(b);
            p[1] = std::uint8_t(g);
            p[2] = std::uint8_t(r);
            break;
        case gfx::D3DFMT_R5G6B5:
            Write16(p, Narrow(r, 5) << 11 | Narrow(g, 6) << 5 | Narrow(b, 5));
            break;
        case gfx::D3DFMT_X1R5G5B5:
        case gfx::D3DFMT_A1R5G5B5: {
            const std::uint32_t top = format == gfx::D3DFMT_X1R5G5B5 || a >= 128 ? 0x8000 : 0;
            Write16(p, top | Narrow(r, 5) << 10 | Narrow(g, 5) << 5 | Narrow(b, 5));
            break;
        }
        case gfx::D3DFMT_A4R4G4B4:
        case gfx::D3DFMT_X4R4G4B4: {
            const std::uint32_t alpha = format == gfx::D3DFMT_X4R4G4B4 ? 15 : Narrow(a, 4);
            Write16(p, alpha << 12 | Narrow(r, 4) << 8 | Narrow(g, 4) << 4 | Narrow(b, 4));
            break;
        }
        default:
            break;
    }
}

std::uint32_t TextureFormatFor(std::uint32_t format) {
    switch (format) {
        case gfx::D3DFMT_A8R8G8B8:
        case gfx::D3DFMT_X8R8G8B8:
        case gfx::D3DFMT_R5G6B5:
        case gfx::D3DFMT_X1R5G5B5:
        case gfx::D3DFMT_A1R5G5B5:
        case gfx::D3DFMT_A4R4G4B4:
        case gfx::D3DFMT_X4R4G4B4:
            return format;
        case gfx::D3DFMT_R8G8B8:
            return gfx::D3DFMT_X8R8G8B8;
        default:
            return gfx::D3DFMT_A8R8G8B8;
    }
}

std::uint32_t WithAlpha(std::uint32_t format) {
    switch (format) {
        case gfx::D3DFMT_X8R8G8B8:
        case gfx::D3DFMT_R8G8B8:
            return gfx::D3DFMT_A8R8G8B8;
        case gfx::D3DFMT_R5G6B5:
        case gfx::D3DFMT_X1R5G5B5:
            return gfx::D3DFMT_A1R5G5B5;
        case gfx::D3DFMT_X4R4G4B4:
            return gfx::D3DFMT_A4R4G4B4;
        default:
            return format;
    }
}

}  // namespace render
