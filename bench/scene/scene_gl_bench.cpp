#include "scene_gl_bench.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "clock/clock_room.h"
#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"
#include "platform/linux/gl/device_statistics.h"
#include "quad_ceiling.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/host/frame_renderer.h"
#include "render/math/camera.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/scene/scene.h"
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

// Processor time of the calling thread, in seconds: llvmpipe's rasterizer threads are not in it.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Returns the processor time spent submitting the frame, up to the wait for it to be drawn.
double SceneFrame(Device* device, render::Scene& scene, const render::Camera& camera, float time) {
    const double start = ThreadSeconds();
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
    const double submitted = ThreadSeconds() - start;
    device->Finish();
    return submitted;
}

// The cheapest draw the device has: one small indexed quad, drawn `draws` times a frame with no
// state changed between draws. Returns the submission's processor time like SceneFrame.
class RepeatedDraw {
public:
    explicit RepeatedDraw(Device* device) : device_(device) {
        const ScreenVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0},
                                      {15.5f, -0.5f, 0.5f, 1, 1, 0},
                                      {-0.5f, 15.5f, 0.5f, 1, 0, 1},
                                      {15.5f, 15.5f, 0.5f, 1, 1, 1}};
        const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
        void* data = nullptr;
        if (Succeeded(device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0,
                                                 D3DPOOL_MANAGED, &vertices_)) &&
            Succeeded(vertices_->Lock(0, 0, &data, 0))) {
            std::memcpy(data, quad, sizeof quad);
            vertices_->Unlock();
        }
        if (Succeeded(device->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                D3DPOOL_MANAGED, &indices_)) &&
            Succeeded(indices_->Lock(0, 0, &data, 0))) {
            std::memcpy(data, indices, sizeof indices);
            indices_->Unlock();
        }
    }
    ~RepeatedDraw() {
        if (vertices_) {
            vertices_->Release();
        }
        if (indices_) {
            indices_->Release();
        }
    }
    RepeatedDraw(const RepeatedDraw&) = delete;
    RepeatedDraw& operator=(const RepeatedDraw&) = delete;

    double Frame(int draws) {
        const double start = ThreadSeconds();
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device_->BeginScene();
        device_->SetRenderState(D3DRS_LIGHTING, 0);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device_->SetTexture(0, nullptr);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        device_->SetStreamSource(0, vertices_, 0, sizeof(ScreenVertex));
        device_->SetIndices(indices_);
        for (int i = 0; i < draws; ++i) {
            device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        }
        device_->EndScene();
        const double submitted = ThreadSeconds() - start;
        device_->Finish();
        return submitted;
    }

private:
    Device* device_;
    VertexBuffer* vertices_ = nullptr;
    IndexBuffer* indices_ = nullptr;
};

// Submission processor times of `frames` frames after a few unmeasured ones, in seconds;
// `measuring` runs between the two.
template <typename Frame, typename Measuring>
std::vector<double> Submissions(int frames, Frame frame, Measuring measuring) {
    for (int i = 0; i < 3; ++i) {
        frame(i);
    }
    measuring();
    std::vector<double> times;
    times.reserve(std::size_t(frames));
    for (int i = 0; i < frames; ++i) {
        times.push_back(frame(i));
    }
    return times;
}

template <typename Frame>
std::vector<double> Submissions(int frames, Frame frame) {
    return Submissions(frames, frame, [] {});
}

double Mean(const std::vector<double>& values) {
    double total = 0.0;
    for (const double value : values) {
        total += value;
    }
    return values.empty() ? 0.0 : total / double(values.size());
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Mean submission processor time of `frames` frames after a few unmeasured ones, in seconds.
template <typename Frame>
double MeanSubmission(int frames, Frame frame) {
    return Mean(Submissions(frames, frame));
}

// The scene's processor time a frame and a draw, next to the repeated quad's a draw.
void PrintProcessorFigures(Device* device, render::Scene& scene, const render::Camera& camera) {
    constexpr int kFrames = 300;
    render::DeviceStateCache().InvalidateCache();
    gl::ResetDrawCounters(device);
    const double submission = MeanSubmission(
        kFrames, [&](int f) { return SceneFrame(device, scene, camera, float(f) / 60.0f); });
    const double draws = double(gl::DrawCountersOf(device).draws) / (kFrames + 3);
    render::DeviceStateCache().InvalidateCache();
    double repeated = 0.0;
    {
        RepeatedDraw quad(device);
        const int count = std::max(1, int(draws + 0.5));
        repeated = MeanSubmission(kFrames, [&](int) { return quad.Frame(count); }) / count;
    }
    render::DeviceStateCache().InvalidateCache();
    const double perDraw = draws > 0 ? submission / draws : 0.0;
    std::printf("    scene: %.1f draws a frame, %.1f us a frame, %.2f us a draw\n", draws,
                submission * 1e6, perDraw * 1e6);
    std::printf(
        "    ceiling, one small quad drawn as often with nothing changed between draws: "
        "%.2f us a draw\n",
        repeated * 1e6);
    std::printf("    scene / ceiling, a draw: %.2f\n", repeated > 0 ? perDraw / repeated : 0.0);
}

// The shipped room's states at the start of a frame, as the saver's frame sets them with the
// scene's own parameters (no fog).
void SetRoomFrameStates(const render::Camera& camera) {
    render::StateCache& cache = render::DeviceStateCache();
    render::SetFrameTransforms(cache, camera.GetView().ToD3D(), camera.GetProjection().ToD3D());
    cache.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    render::SceneParameters scene;
    scene.ambient = clockscene::RoomFrame{}.ambient;
    render::SetFrameStates(cache, scene);
}

// One frame of the room in the clock scene's passes; returns the submission's processor time
// like SceneFrame.
double ClockRoomFrame(Device* device, clockscene::ClockRoom& room,
                      const clockscene::RoomFrame& frame, bool& drawn) {
    const double start = ThreadSeconds();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    SetRoomFrameStates(*frame.camera);
    drawn = room.Render(frame) && drawn;
    device->EndScene();
    const double submitted = ThreadSeconds() - start;
    device->Finish();
    return submitted;
}

// The shipped room loaded and drawn as the clock scene does, seen from across the room looking
// at the clock (most of the room's meshes in view) at 10:10 with every animation held half a
// second after loading, so that every frame submits the same draws: its processor time a frame
// and a draw against the repeated quad's.
void PrintRoomFigures(Runtime* runtime) {
    constexpr UINT kWidth = 1280;
    constexpr UINT kHeight = 720;
    constexpr int kFrames = 300;
    const std::filesystem::path file =
        std::filesystem::path(ZORVANE_SOURCE_DIR) / "media" / "Media" / "clock.UDF";
    Device* device = MakeDevice(runtime, kWidth, kHeight);
    if (!device) {
        return;
    }
    render::SetCurrentDevice(device);
    render::DeviceStateCache().InvalidateCache();
    {
        render::Camera camera;
        camera.SetPerspective(0.1f, 1000.0f, 1.2217f, float(kWidth) / float(kHeight));
        camera.SetView({100, 100, 24}, {0, -1, 0}, {0, 0, 1});
        clockscene::ClockRoom room;
        vfs::FileSource source{core::EngineString(file.string())};
        source.flags = vfs::kSourceDisk;
        if (!room.LoadScene(std::move(source), vfs::SearchPaths{})) {
            std::printf("\nshipped room: %s did not load\n", file.string().c_str());
        } else {
            room.SetUpAnimationSlots();
            room.PrepareMaterialsForWink();
            room.DetachSpecialNodes(0);
            room.StartAnimations(0);
            room.SetHands(core::LocalTime{10, 10, 0, 0});
            SetRoomFrameStates(camera);
            room.GetScene().PrepareDrawing();
            clockscene::RoomFrame frame;
            frame.camera = &camera;
            frame.now = 500;
            bool drawn = true;
            const std::vector<double> times = Submissions(
                kFrames, [&](int) { return ClockRoomFrame(device, room, frame, drawn); },
                [&] { gl::ResetDrawCounters(device); });
            const double draws = double(gl::DrawCountersOf(device).draws) / kFrames;
            render::DeviceStateCache().InvalidateCache();
            std::vector<double> repeated;
            const int count = std::max(1, int(draws + 0.5));
            {
                RepeatedDraw quad(device);
                repeated = Submissions(kFrames, [&](int) { return quad.Frame(count); });
            }
            render::DeviceStateCache().InvalidateCache();
            const double mean = Mean(times);
            const double median = Median(times);
            const double ceilingMean = Mean(repeated) / count;
            const double ceilingMedian = Median(repeated) / count;
            const double perDrawMean = draws > 0 ? mean / draws : 0.0;
            const double perDrawMedian = draws > 0 ? median / draws : 0.0;
            std::printf(
                "\nshipped room (media/Media/clock.UDF in the clock scene's passes) at %u x %u, "
                "%d frames,\nprocessor time of the submitting thread as above%s:\n",
                kWidth, kHeight, kFrames, drawn ? "" : " (some drawing failed)");
            std::printf("    room: %.1f draws a frame\n", draws);
            std::printf(
                "    room: mean %.1f us a frame, %.2f us a draw; median %.1f us a frame, "
                "%.2f us a draw\n",
                mean * 1e6, perDrawMean * 1e6, median * 1e6, perDrawMedian * 1e6);
            std::printf(
                "    ceiling, one small quad drawn %d times a frame with nothing changed between "
                "draws:\n      mean %.2f us a draw, median %.2f us a draw\n",
                count, ceilingMean * 1e6, ceilingMedian * 1e6);
            std::printf("    room / ceiling, a draw: mean %.2f, median %.2f\n",
                        ceilingMean > 0 ? perDrawMean / ceilingMean : 0.0,
                        ceilingMedian > 0 ? perDrawMedian / ceilingMedian : 0.0);
        }
    }
    render::SetCurrentDevice(nullptr);
    device->Release();
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
            const bool loaded = scene.Load(std::move(source), paths);
            render::Camera camera;
            camera.SetPerspective(1.0f, 500.0f, 1.0f, float(size[0]) / float(size[1]));
            camera.SetView({0, -40, 12}, {0, 1, -0.1f}, {0, 0, 1});
            if (loaded) {
                sceneFps = Fps([&](int f) { SceneFrame(device, scene, camera, float(f) / 60.0f); });
            }
            std::printf("  %4u x %4u: quad %6.1f fps, scene %6.1f fps, ratio %.2f\n", size[0],
                        size[1], quad, sceneFps, quad > 0 ? sceneFps / quad : 0.0);
            if (loaded) {
                std::printf(
                    "  processor time of the submitting thread (clear to end of scene, "
                    "before the wait\n  for the frame; llvmpipe's rasterizer threads "
                    "not counted, its vertex work is):\n");
                PrintProcessorFigures(device, scene, camera);
            }
        }
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
    PrintRoomFigures(runtime);
    std::filesystem::remove_all(folder);
    runtime->Release();
    return true;
}

}  // namespace bench
