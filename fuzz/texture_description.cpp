// A texture description (".ts") asked for through the texture manager on the recording device:
// its picture, sub-textures, animations and nested descriptions are parts of the same input.
#include <cstddef>
#include <cstdint>

#include "archive_files.h"
#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"

namespace {

std::int64_t now = 0;
std::int64_t FuzzClock() {
    return now;
}

void Ask(render::TextureManager& manager, const fuzz::ArchiveFiles& files,
         std::uint32_t flags, const char* subName) {
    render::TextureRequest request;
    request.source = vfs::FileSource(core::EngineString("main.ts"));
    request.source.flags = vfs::kSourceArchive;
    request.flags = flags;
    request.subTextureName = subName;
    request.subTextureRect = {0, 0, 16, 16};
    render::Texture* texture = manager.GetTexture(request, &files.Paths());
    if (!texture) {
        return;
    }
    for (now = 0; now < 1000; now += 250) {
        static_cast<void>(texture->GetUVRect());
        static_cast<void>(texture->GetD3DTexture());
    }
    manager.InvalidateDeviceObjects();
    manager.RestoreDeviceObjects();
    texture->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    auto* runtime =
        new gfx::fake::FakeRuntime(gfx::fake::FakeScript{{gfx::fake::StandardAdapter()}});
    gfx::D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 64;
    params.BackBufferHeight = 64;
    params.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
    gfx::Device* device = nullptr;
    if (runtime->CreateDevice(0, gfx::D3DDEVTYPE_HAL, 0, gfx::D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &params, &device) == gfx::S_OK) {
        render::SetCurrentDevice(device);
        render::DeviceStateCache().InvalidateCache();
        {
            fuzz::ArchiveFiles files({data, size}, "main.ts");
            render::TextureManager manager;
            manager.SetClock(&FuzzClock);
            Ask(manager, files, 0, "");
            Ask(manager, files, render::kRequestSubName, "first");
            Ask(manager, files, render::kRequestSubRect, "");
        }
        render::SetCurrentDevice(nullptr);
        device->Release();
    }
    runtime->Release();
    return 0;
}
