#include "scene_gl_bench.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"
#include "platform/linux/gl/device_statistics.h"
#include "quad_ceiling.h"
#include "render/camera.h"
#include "render/current_device.h"
#include "render/render_context.h"
#include "render/render_sorter.h"
#include "render/scene.h"
#include "render/state_cache.h"
#include "test_scene.h"
#include "vfs/search_paths.h"

using namespace gfx;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

Device* MakeDevice(Runtime* runtime, UINT width, UINT height) {
    return gfx::CreateOffscreenDevice(*runtime, width, height);
}

// One textured full-screen quad, the ceiling a frame of this size can reach.
void QuadFrame(Device* device, Texture* texture, UINT width, UINT height) {
    const auto quad = FullScreenQuad(width, height);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(ScreenVertex));
    device->EndScene();
    device->Finish();
}

void SetFrameStates(const render::Camera& camera) {
    render::StateCache& cache = render::DeviceStateCache();
    const D3DMATRIX view = camera.GetView().ToD3D();
    const D3DMATRIX projection = camera.GetProjection().ToD3D();
    cache.SetView(&view);
    cache.SetProjection(&projection);
    cache.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    cache.SetRenderState(D3DRS_AMBIENT, 0xFF404040);
}

void SceneFrame(Device* device, render::Scene& scene, const render::Camera& camera, float time) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
    device->BeginScene();
    SetFrameStates(camera);
    auto sorter = render::RenderSorter::Create(&scene.GetLights(), &camera);
    render::RenderContext context;
    context.camera = &camera;
    context.flags = render::kRenderAnimate;
    context.time = time;
    context.sorter = sorter.get();
    scene.GetRoot()->Render(context);
    sorter->Flush();
    device->EndScene();
    device->Finish();
}

// Frames per second of `frame` over about two seconds, after a few unmeasured ones.
template <typename Frame>
double Fps(Frame frame) {
    for (int i = 0; i < 3; ++i) {
        frame(i);
    }
    int frames = 0;
    const auto start = Clock::now();
    double seconds = 0.0;
    while (seconds < 2.0 || frames < 5) {
        frame(frames);
        ++frames;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    return frames / seconds;
}

}  // namespace

bool RunGlFigures() {
    Runtime* runtime = CreateRuntime();
    if (!runtime) {
        return false;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("zorvane_bench_scene_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = render::test::WriteTestScene(folder);

    std::printf("\ntest scene with the OpenGL device, as a share of the full-screen quad:\n");
    const UINT sizes[2][2] = {{1280, 720}, {1920, 1080}};
    for (const auto& size : sizes) {
        Device* device = MakeDevice(runtime, size[0], size[1]);
        if (!device) {
            continue;
        }
        render::SetCurrentDevice(device);
        render::DeviceStateCache().InvalidateCache();
        double quad = 0.0, sceneFps = 0.0;
        {
            Texture* texture = PatternTexture(device, 1024, 0x30507);
            quad = Fps([&](int) { QuadFrame(device, texture, size[0], size[1]); });
            if (texture) {
                texture->Release();
            }
            render::DeviceStateCache().InvalidateCache();
            render::Scene scene;
            vfs::FileSource source{core::EngineString(file.string())};
            source.flags = vfs::kSourceDisk;
            vfs::SearchPaths paths;
            if (scene.Load(std::move(source), paths)) {
                render::Camera camera;
                camera.SetPerspective(1.0f, 500.0f, 1.0f, float(size[0]) / float(size[1]));
                camera.SetView({0, -40, 12}, {0, 1, -0.1f}, {0, 0, 1});
                sceneFps = Fps([&](int f) { SceneFrame(device, scene, camera, float(f) / 60.0f); });
            }
        }
        std::printf("  %4u x %4u: quad %6.1f fps, scene %6.1f fps, ratio %.2f\n", size[0], size[1],
                    quad, sceneFps, quad > 0 ? sceneFps / quad : 0.0);
        render::SetCurrentDevice(nullptr);
        device->Release();
    }

    // The point light's reach changes every few frames, so the lights each drawable gets change.
    Device* device = MakeDevice(runtime, 1280, 720);
    if (device) {
        render::SetCurrentDevice(device);
        render::DeviceStateCache().InvalidateCache();
        {
            render::Scene scene;
            vfs::FileSource source{core::EngineString(file.string())};
            source.flags = vfs::kSourceDisk;
            vfs::SearchPaths paths;
            if (scene.Load(std::move(source), paths) && scene.GetLights().Count() > 0) {
                render::Camera camera;
                camera.SetPerspective(1.0f, 500.0f, 1.0f, 1280.0f / 720.0f);
                camera.SetView({0, -40, 12}, {0, 1, -0.1f}, {0, 0, 1});
                std::vector<double> times;
                std::uint64_t compiledAfterFirst = 0;
                std::uint64_t compiledInFirst = 0;
                SetFrameStates(camera);
                scene.PrepareDrawing();
                gl::ResetCacheStats(device);
                const float reaches[] = {60.0f, 5.0f, 0.0f, 25.0f};
                for (int f = 0; f < 600; ++f) {
                    scene.GetLights().At(0).light.Range = reaches[(f / 7) % 4];
                    const auto start = Clock::now();
                    SceneFrame(device, scene, camera, float(f) / 60.0f);
                    times.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                    if (f == 0) {
                        compiledInFirst = gl::CacheStatsOf(device).compiled;
                        gl::ResetCacheStats(device);
                    }
                }
                compiledAfterFirst = gl::CacheStatsOf(device).compiled;
                std::sort(times.begin(), times.end());
                const double median = times[times.size() / 2];
                const double p99 = times[times.size() * 99 / 100];
                std::printf("600 frames at 1280 x 720 with the point light's reach switching:\n");
                std::printf(
                    "  programs compiled by the first frame after the scene prepared its "
                    "drawing: %llu (goal 0)\n",
                    static_cast<unsigned long long>(compiledInFirst));
                std::printf("  programs compiled after the first frame: %llu (goal 0)\n",
                            static_cast<unsigned long long>(compiledAfterFirst));
                std::printf(
                    "  frame time median %.2f ms, 99th percentile %.2f ms: %.2f x the "
                    "median (goal <= 2)\n",
                    median, p99, median > 0 ? p99 / median : 0.0);
            }
        }
        render::SetCurrentDevice(nullptr);
        device->Release();
    }
    std::filesystem::remove_all(folder);
    runtime->Release();
    return true;
}

}  // namespace bench
