// A texture description (".ts") asked for through the texture manager on the recording device:
// its picture, sub-textures, animations and nested descriptions are parts of the same input.
#include <cstddef>
#include <cstdint>

#include "archive_files.h"
#include "recording_device.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"

namespace {

std::int64_t now = 0;
std::int64_t FuzzClock() {
    return now;
}

void Ask(render::TextureManager& manager, const fuzz::ArchiveFiles& files, std::uint32_t flags,
         const char* subName) {
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
    const fuzz::RecordingDevice device;
    if (!device.Ready()) {
        return 0;
    }
    fuzz::ArchiveFiles files({data, size}, "main.ts");
    render::TextureManager manager;
    manager.SetClock(&FuzzClock);
    Ask(manager, files, 0, "");
    Ask(manager, files, render::kRequestSubName, "first");
    Ask(manager, files, render::kRequestSubRect, "");
    return 0;
}
