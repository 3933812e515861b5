// Picture decoding and texture loading. The first byte picks what the rest is: 0 an image file
// (JPEG, PNG, GIF, TGA, BMP or DDS) for the decoders, 1 an image file loaded as a texture with
// parameters from the next eight bytes, 2 the text of a texture description applied to a texture,
// 3 an image file loaded into a rectangle of an existing texture (how sub-textures get their
// pixels) with the rectangle, filter and key from the next six bytes. All textures go to a
// recording device, so nothing needs a display.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/fake/gfx/fake_runtime.h"
#include "platform/gfx/device.h"
#include "render/device/current_device.h"
#include "render/textures/image/image_decoder.h"
#include "render/textures/texture.h"
#include "render/textures/texture_loader.h"
#include "render/textures/texture_manager.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/search_paths.h"

namespace {

gfx::fake::FakeRuntime* Runtime() {
    static gfx::fake::FakeRuntime* runtime = [] {
        auto* made =
            new gfx::fake::FakeRuntime(gfx::fake::FakeScript{{gfx::fake::StandardAdapter()}});
        gfx::D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 64;
        params.BackBufferHeight = 64;
        gfx::Device* device = nullptr;
        made->CreateDevice(0, gfx::D3DDEVTYPE_HAL, 0, 0, &params, &device);
        render::SetCurrentDevice(device);
        return made;
    }();
    return runtime;
}

// The formats 20 to 27, or none: the file's own (an opaque DXT1 file may keep its blocks).
std::uint32_t FormatOf(std::uint8_t byte) {
    const std::uint32_t format = byte % 9;
    return format == 8 ? gfx::D3DFMT_UNKNOWN : 20 + format;
}

void LoadAsTexture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) {
        return;
    }
    render::TextureParams params;
    // Sizes up to 1024 keep each run quick; the decoders' own limits are tested by mode 0.
    params.width = std::uint32_t(bytes[0] | bytes[1] << 8) % 1025;
    params.height = std::uint32_t(bytes[2] | bytes[3] << 8) % 1025;
    params.mipLevels = bytes[4] % 12;
    params.format = FormatOf(bytes[5]);
    params.filter = 1 + bytes[6] % 5;
    params.mipFilter = 1 + bytes[7] % 5;
    params.colorKey = bytes[6] & 0x80 ? 0xFF000000u : 0;
    gfx::Texture* texture = nullptr;
    render::ImageInfo info;
    render::CreateTextureFromFileInMemory(render::CurrentDevice(), bytes.subspan(8), params, &info,
                                          &texture);
    if (texture) {
        texture->Release();
    }
}

void LoadIntoRectangle(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6) {
        return;
    }
    render::TextureParams params;
    params.width = 64;
    params.height = 64;
    params.mipLevels = 1;
    params.format = FormatOf(bytes[5]);
    gfx::Texture* texture = nullptr;
    render::CreateBlankTexture(render::CurrentDevice(), params, &texture);
    if (!texture) {
        return;
    }
    const std::int32_t left = bytes[0] % 72, top = bytes[1] % 72;
    const render::TexelRect rect{left, top, left + bytes[2] % 72, top + bytes[3] % 72};
    render::ImageInfo info;
    render::LoadSurfaceFromFileInMemory(texture, bytes[4] & 0x80 ? nullptr : &rect,
                                        bytes.subspan(6), 1 + bytes[4] % 5,
                                        bytes[5] & 0x80 ? 0xFF000000u : 0, &info);
    texture->Release();
}

void ApplyDescription(std::string_view text) {
    udf::PropNode root;
    udf::UdfTextParser parser;
    parser.setIncludesEnabled(false);
    parser.parseText(text, root);
    render::TextureManager manager;
    vfs::SearchPaths nowhere;
    auto* texture = new render::Texture(&manager);
    texture->ApplyDescription(root, nullptr, nowhere);
    texture->GetTextureMatrix();
    texture->SetFrame("");
    texture->InvalidateDeviceObjects();
    delete texture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Runtime()->Log().Clear();
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    switch (data[0] % 4) {
        case 0: {
            render::Image image;
            render::ImageInfo info;
            render::DecodeImage(rest, image, info);
            break;
        }
        case 1:
            LoadAsTexture(rest);
            break;
        case 3:
            LoadIntoRectangle(rest);
            break;
        default:
            ApplyDescription(
                std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
            break;
    }
    return 0;
}
