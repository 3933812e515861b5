#include "render/device/format_info.h"

#include <algorithm>
#include <utility>

#include "platform/gfx/d3d_types.h"

namespace render {
namespace {

using namespace gfx;

constexpr std::pair<D3DFORMAT, std::uint32_t> kBitDepths[] = {
    {D3DFMT_R8G8B8, 24},
    {D3DFMT_A8R8G8B8, 32},
    {D3DFMT_X8R8G8B8, 32},
    {D3DFMT_A2B10G10R10, 32},
    {D3DFMT_A8B8G8R8, 32},
    {D3DFMT_X8B8G8R8, 32},
    {D3DFMT_G16R16, 32},
    {D3DFMT_A2R10G10B10, 32},
    {D3DFMT_X8L8V8U8, 32},
    {D3DFMT_Q8W8V8U8, 32},
    {D3DFMT_V16U16, 32},
    {D3DFMT_A2W10V10U10, 32},
    {D3DFMT_D32, 32},
    {D3DFMT_D24S8, 32},
    {D3DFMT_D24X8, 32},
    {D3DFMT_D24X4S4, 32},
    {D3DFMT_INDEX32, 32},
    {D3DFMT_G16R16F, 32},
    {D3DFMT_R32F, 32},
    {D3DFMT_R5G6B5, 16},
    {D3DFMT_X1R5G5B5, 16},
    {D3DFMT_A1R5G5B5, 16},
    {D3DFMT_A4R4G4B4, 16},
    {D3DFMT_A8R3G3B2, 16},
    {D3DFMT_X4R4G4B4, 16},
    {D3DFMT_A8P8, 16},
    {D3DFMT_A8L8, 16},
    {D3DFMT_V8U8, 16},
    {D3DFMT_L6V5U5, 16},
    {D3DFMT_D16_LOCKABLE, 16},
    {D3DFMT_D15S1, 16},
    {D3DFMT_D16, 16},
    {D3DFMT_L16, 16},
    {D3DFMT_INDEX16, 16},
    {D3DFMT_R16F, 16},
    {D3DFMT_CxV8U8, 16},
    {D3DFMT_R3G3B2, 8},
    {D3DFMT_A8, 8},
    {D3DFMT_P8, 8},
    {D3DFMT_L8, 8},
    {D3DFMT_A4L4, 8},
    {D3DFMT_A16B16G16R16, 64},
    {D3DFMT_Q16W16V16U16, 64},
    {D3DFMT_A16B16G16R16F, 64},
    {D3DFMT_G32R32F, 64},
    {D3DFMT_A32B32G32R32F, 128},
};

constexpr D3DFORMAT kAlphaFormats[] = {
    D3DFMT_A8R8G8B8,      D3DFMT_A1R5G5B5,      D3DFMT_A4R4G4B4,     D3DFMT_A8,
    D3DFMT_A8R3G3B2,      D3DFMT_A2B10G10R10,   D3DFMT_A8B8G8R8,     D3DFMT_A16B16G16R16,
    D3DFMT_A8P8,          D3DFMT_A8L8,          D3DFMT_A4L4,         D3DFMT_A2W10V10U10,
    D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F, D3DFMT_MULTI2_ARGB8,
};

constexpr std::pair<std::string_view, D3DFORMAT> kNames[] = {
    {"D3DFMT_R8G8B8", D3DFMT_R8G8B8},     {"D3DFMT_A8R8G8B8", D3DFMT_A8R8G8B8},
    {"D3DFMT_X8R8G8B8", D3DFMT_X8R8G8B8}, {"D3DFMT_R5G6B5", D3DFMT_R5G6B5},
    {"D3DFMT_X1R5G5B5", D3DFMT_X1R5G5B5}, {"D3DFMT_A1R5G5B5", D3DFMT_A1R5G5B5},
    {"D3DFMT_A4R4G4B4", D3DFMT_A4R4G4B4},
};

}  // namespace

std::uint32_t FormatBitDepth(std::uint32_t format) {
    for (const auto& [code, bits] : kBitDepths) {
        if (code == format) {
            return bits;
        }
    }
    return 0;
}

bool FormatHasAlpha(std::uint32_t format) {
    return std::find(std::begin(kAlphaFormats), std::end(kAlphaFormats), format) !=
           std::end(kAlphaFormats);
}

std::uint32_t FormatFromName(std::string_view name) {
    for (const auto& [text, code] : kNames) {
        if (text == name) {
            return code;
        }
    }
    return 0;
}

}  // namespace render
