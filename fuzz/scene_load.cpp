// Loads the input as a scene file on the recording device and draws two frames of it through
// the sorter, with animation, and once more without culling.
#include <cstddef>
#include <cstdint>

#include "recording_device.h"
#include "render/math/camera.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/scene/scene.h"
#include "vfs/search_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    fuzz::RecordingDevice device;
    if (!device.Ready()) {
        return 0;
    }
    render::Scene scene;
    vfs::SearchPaths paths;
    if (scene.Load(vfs::FileSource(data, std::uint32_t(size)), paths)) {
        render::Camera camera;
        camera.SetPerspective(1.0f, 1000.0f, 1.0f, 1.0f);
        camera.SetView({0, -50, 10}, {0, 1, 0}, {0, 0, 1});
        const std::uint32_t flags[] = {render::kRenderAnimate,
                                       render::kRenderAnimate | render::kRenderNoCulling, 0};
        float time = 0.0f;
        for (std::uint32_t f : flags) {
            auto sorter = render::RenderSorter::Create(&scene.GetLights(), &camera);
            render::RenderContext context;
            context.camera = &camera;
            context.flags = f;
            context.time = time;
            context.now = std::int64_t(time * 1000.0f);
            context.sorter = sorter.get();
            scene.GetRoot()->Render(context);
            sorter->Flush();
            time += 0.75f;
        }
        scene.InvalidateDeviceObjects();
        scene.RestoreDeviceObjects();
    }
    device.ClearLog();
    return 0;
}
