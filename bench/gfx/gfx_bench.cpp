// Figures for the OpenGL device: program-cache hits, device calls (with and without the state
// cache) and uniform uploads (with and without their caching) for one recorded frame of many
// draws; programs compiled, uniforms sent, lights transformed and the spread of frame times while
// every draw switches lights; the fill-rate ceiling of a full-screen textured quad, and what
// 2-sample multisampling costs. Run it under a display (Xvfb will do).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"
#include "platform/linux/gl/device_statistics.h"
#include "platform/linux/gl/gl_runtime.h"
#include "quad_ceiling.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"

using namespace gfx;

namespace {

using Clock = std::chrono::steady_clock;

Device* MakeDevice(Runtime* runtime, UINT width, UINT height, D3DMULTISAMPLE_TYPE samples) {
    return gfx::CreateOffscreenDevice(*runtime, width, height, D3DFMT_X8R8G8B8, D3DFMT_D24X8,
                                      samples);
}

constexpr int kTextureCount = 8;

struct Material {
    int texture;
    int lightMap;  // the second stage's texture; -1 for none
    bool lit;
    bool additive;
    float opacity;
};

// Eight materials as a scene has them, each texture index naming one of the kTextureCount.
constexpr Material kMaterials[] = {
    {0, -1, true, false, 1.0f},  {1, 2, true, false, 1.0f},  {3, 4, false, false, 1.0f},
    {5, -1, true, false, 0.5f},  {6, -1, false, true, 0.8f}, {2, -1, true, false, 1.0f},
    {4, -1, false, false, 1.0f}, {7, 0, true, false, 1.0f},
};

constexpr bool TexturesExist() {
    for (const Material& m : kMaterials) {
        if (m.texture < 0 || m.texture >= kTextureCount || m.lightMap >= kTextureCount)
            return false;
    }
    return true;
}
static_assert(TexturesExist(), "every material names one of the textures made");

// What applying a material block sends per draw, as the engine's renderer does.
void ApplyMaterial(render::StateCache& cache, const Material& m, Texture* const* textures,
                   const D3DMATERIAL9& material) {
    cache.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    cache.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    cache.SetRenderState(D3DRS_ZWRITEENABLE, m.opacity < 1 ? 0 : 1);
    cache.SetMaterial(&material);
    const bool transparent = m.opacity < 1;
    cache.SetRenderState(D3DRS_ALPHATESTENABLE, transparent);
    if (transparent) {
        cache.SetRenderState(D3DRS_ALPHAREF, 1);
        cache.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    }
    cache.SetRenderState(D3DRS_ALPHABLENDENABLE, transparent || m.additive);
    if (transparent || m.additive) {
        cache.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        cache.SetRenderState(D3DRS_DESTBLEND, m.additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
        cache.SetRenderState(D3DRS_TEXTUREFACTOR,
                             static_cast<DWORD>(m.opacity * 255) << 24 | 0xFFFFFF);
    }
    cache.SetRenderState(D3DRS_LIGHTING, m.lit);
    cache.SetRenderState(D3DRS_COLORVERTEX, !m.lit);
    const int stages = m.lightMap >= 0 ? 2 : 1;
    for (int s = 0; s < stages; ++s) {
        const DWORD stage = static_cast<DWORD>(s);
        cache.SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
        cache.SetTexture(stage, textures[s == 0 ? m.texture : m.lightMap]);
        cache.SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        cache.SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        cache.SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        cache.SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        cache.SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        cache.SetTextureStageState(stage, D3DTSS_COLOROP,
                                   s == 0 ? D3DTOP_MODULATE : D3DTOP_MODULATE2X);
        cache.SetTextureStageState(stage, D3DTSS_COLORARG1, s == 0 ? D3DTA_TEXTURE : D3DTA_CURRENT);
        cache.SetTextureStageState(stage, D3DTSS_COLORARG2, s == 0 ? D3DTA_DIFFUSE : D3DTA_TEXTURE);
        cache.SetTextureStageState(stage, D3DTSS_ALPHAOP,
                                   transparent && s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE);
        if (transparent && s == 0)
            cache.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    }
    cache.SetTextureStageState(static_cast<DWORD>(stages), D3DTSS_COLOROP, D3DTOP_DISABLE);
}

struct Vertex {
    float x, y, z, nx, ny, nz, u0, v0, u1, v1;
};

// One frame of `draws` meshes in groups sharing a material, as the sorter hands them over.
// One lit, textured box of the 20 x 10 grid the frames draw, at place `i`.
void DrawBox(render::StateCache& cache, Device* device, VertexBuffer* vb, IndexBuffer* ib, int i) {
    D3DMATRIX world{{{1, 0, 0, 0},
                     {0, 1, 0, 0},
                     {0, 0, 1, 0},
                     {static_cast<float>(i % 20) - 10, static_cast<float>(i / 20 % 10) - 5, 0, 1}}};
    cache.SetWorld(&world);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2);
    device->SetStreamSource(0, vb, 0, sizeof(Vertex));
    device->SetIndices(ib);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
}

void RecordedFrame(Device* device, render::StateCache& cache, int draws, Texture* const* textures,
                   VertexBuffer* vb, IndexBuffer* ib) {
    D3DMATERIAL9 material{};
    material.Diffuse = material.Ambient = {1, 1, 1, 1};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF640000, 1.0f, 0);
    device->BeginScene();
    D3DMATRIX view{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 10, 1}}};
    const float q = 100.0f / 99.0f;
    D3DMATRIX projection{{{1, 0, 0, 0}, {0, 1.7f, 0, 0}, {0, 0, q, 1}, {0, 0, -q, 0}}};
    cache.SetView(&view);
    cache.SetProjection(&projection);
    for (int i = 0; i < draws; ++i) {
        const Material& m = kMaterials[(i / 25) % 8];
        ApplyMaterial(cache, m, textures, material);
        DrawBox(cache, device, vb, ib, i);
    }
    device->EndScene();
}

// One small mesh of 24 vertices and 12 triangles that every draw repeats.
struct Mesh {
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
};

Mesh MakeMesh(Device* device) {
    std::vector<Vertex> vertices(24);
    for (int i = 0; i < 24; ++i) {
        const float a = static_cast<float>(i) * 0.26f;
        vertices[i] = {
            std::cos(a), std::sin(a), static_cast<float>(i % 3), 0, 0, -1, std::cos(a), std::sin(a),
            0.5f,        0.5f};
    }
    std::vector<std::uint16_t> indices(36);
    for (int i = 0; i < 36; ++i)
        indices[i] = static_cast<std::uint16_t>((i * 7) % 24);
    Mesh mesh;
    device->CreateVertexBuffer(sizeof(Vertex) * 24, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                               &mesh.vb);
    device->CreateIndexBuffer(72, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &mesh.ib);
    void* data;
    mesh.vb->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), sizeof(Vertex) * 24);
    mesh.vb->Unlock();
    mesh.ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), 72);
    mesh.ib->Unlock();
    return mesh;
}

unsigned long long U(std::uint64_t value) {
    return static_cast<unsigned long long>(value);
}

void FrameFigures(Device* device, Texture* const* textures, const Mesh& mesh) {
    render::StateCache& cache = render::DeviceStateCache();
    cache.InvalidateCache();
    const int draws = 1000;
    gl::ResetCacheStats(device);
    RecordedFrame(device, cache, draws, textures, mesh.vb, mesh.ib);  // first frame compiles
    device->Finish();
    std::printf("recorded frame: %d draws, 8 materials\n", draws);
    std::printf("  program cache, first frame: %llu hits, %llu misses (programs compiled)\n",
                U(gl::CacheStatsOf(device).hits), U(gl::CacheStatsOf(device).misses));
    for (bool enabled : {true, false}) {
        cache.SetEnabled(enabled);
        cache.InvalidateCache();
        RecordedFrame(device, cache, draws, textures, mesh.vb, mesh.ib);  // warm the cache values
        gl::ResetCacheStats(device);
        cache.ResetCounters();
        device->Finish();
        RecordedFrame(device, cache, draws, textures, mesh.vb, mesh.ib);
        device->Finish();
        // The counts above are for one frame; the time is the mean of several.
        const auto counters = cache.GetCounters();
        const auto stats = gl::CacheStatsOf(device);
        constexpr int kFrames = 20;
        const auto start = Clock::now();
        for (int i = 0; i < kFrames; ++i) {
            RecordedFrame(device, cache, draws, textures, mesh.vb, mesh.ib);
            device->Finish();
        }
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kFrames;
        std::printf(
            "  state cache %s: %llu state calls reach the device (%llu kept back), "
            "program cache %llu hits / %llu misses, %.2f ms a frame\n",
            enabled ? "on " : "off", U(counters.sent), U(counters.skipped), U(stats.hits),
            U(stats.misses), ms);
    }
    cache.SetEnabled(true);
    for (bool caching : {true, false}) {
        gl::SetUniformCaching(device, caching);
        RecordedFrame(device, cache, draws, textures, mesh.vb, mesh.ib);
        gl::ResetDrawCounters(device);
        RecordedFrame(device, cache, draws, textures, mesh.vb, mesh.ib);
        device->Finish();
        const gl::DrawCounters c = gl::DrawCountersOf(device);
        std::printf("  uniform caching %s: %llu uniform uploads a frame (%llu groups kept)\n",
                    caching ? "on " : "off", U(c.uniformUploads), U(c.uniformsKept));
    }
    gl::SetUniformCaching(device, true);
    cache.InvalidateCache();
}

// Eight lights of all three kinds at scattered indices, as a scene's light list sets them.
constexpr DWORD kLightIndices[8] = {0, 5, 100, 4000, 1, 2, 3, 6};

D3DLIGHT9 SceneLight(int i, int frame) {
    D3DLIGHT9 light{};
    light.Type = i % 3 == 0 ? D3DLIGHT_DIRECTIONAL : i % 3 == 1 ? D3DLIGHT_POINT : D3DLIGHT_SPOT;
    const float f = static_cast<float>(i);
    light.Diffuse = {0.2f + 0.1f * f, 0.3f, 0.1f * f, 1};
    light.Position = {f - 4, 2, -3};
    if (i == 1)  // one light swings, as a lantern does
        light.Position.x += std::sin(static_cast<float>(frame) * 0.1f);
    light.Direction = {0.1f * f, -1, 0.5f};
    light.Range = 30;
    light.Attenuation0 = 1;
    light.Theta = 0.5f;
    light.Phi = 1.0f;
    light.Falloff = 1;
    return light;
}

// Which of the eight lights a draw lets through, as a per-drawable light selection does.
unsigned LightMask(int frame, int draw) {
    std::uint32_t h = static_cast<std::uint32_t>(frame * 7919 + draw * 104729);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h & 0xFF;
}

// A frame in which every draw switches lights, and the camera moves.
void LightsFrame(Device* device, render::StateCache& cache, int frame, int draws,
                 Texture* const* textures, const Mesh& mesh, std::set<std::vector<int>>* seen) {
    D3DMATERIAL9 material{};
    material.Diffuse = material.Ambient = {1, 1, 1, 1};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000040, 1.0f, 0);
    device->BeginScene();
    const float eye = std::sin(static_cast<float>(frame) * 0.05f);
    D3DMATRIX view{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {eye, 0, 10, 1}}};
    const float q = 100.0f / 99.0f;
    D3DMATRIX projection{{{1, 0, 0, 0}, {0, 1.7f, 0, 0}, {0, 0, q, 1}, {0, 0, -q, 0}}};
    cache.SetView(&view);
    cache.SetProjection(&projection);
    for (int i = 0; i < 8; ++i) {
        const D3DLIGHT9 light = SceneLight(i, frame);
        device->SetLight(kLightIndices[i], &light);
    }
    for (int i = 0; i < draws; ++i) {
        const int m = (i / 25) % 8;
        ApplyMaterial(cache, kMaterials[m], textures, material);
        const unsigned mask = LightMask(frame, i);
        std::vector<int> types = {m};
        for (int l = 0; l < 8; ++l) {
            const bool on = (mask >> l) & 1;
            device->LightEnable(kLightIndices[l], on);
            if (on)
                types.push_back(SceneLight(l, frame).Type);
        }
        if (kMaterials[m].lit)
            seen->insert(types);
        DrawBox(cache, device, mesh.vb, mesh.ib, i);
    }
    for (DWORD index : kLightIndices)
        device->LightEnable(index, 0);
    device->EndScene();
}

void LightsFigures(Device* device, Texture* const* textures, const Mesh& mesh) {
    render::StateCache& cache = render::DeviceStateCache();
    cache.InvalidateCache();
    constexpr int kDraws = 200, kFrames = 600;
    std::printf(
        "lights switching: %d draws a frame, 8 lights at indices 0 to 4000, each draw its "
        "own subset, the camera and one light moving, %d frames\n",
        kDraws, kFrames);
    std::set<std::vector<int>> seen;
    gl::ResetCacheStats(device);
    LightsFrame(device, cache, 0, kDraws, textures, mesh, &seen);
    device->Finish();
    const std::uint64_t first = gl::CacheStatsOf(device).compiled;
    gl::ResetCacheStats(device);
    gl::ResetDrawCounters(device);
    std::vector<double> times;
    for (int frame = 1; frame < kFrames; ++frame) {
        const auto start = Clock::now();
        LightsFrame(device, cache, frame, kDraws, textures, mesh, &seen);
        device->Finish();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const gl::DrawCounters on = gl::DrawCountersOf(device);
    std::printf("  programs compiled: %llu in the first frame, %llu after it\n", U(first),
                U(gl::CacheStatsOf(device).compiled));
    std::printf(
        "  lit draws of distinct materials and sequences of enabled light kinds: %zu (a "
        "program each when programs were keyed by the enabled lights)\n",
        seen.size());
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double p99 = times[times.size() * 99 / 100];
    std::printf("  frame time: median %.2f ms, 99th percentile %.2f ms (%.2f x the median)\n",
                median, p99, p99 / median);
    const double frames = kFrames - 1;
    std::printf("  uniform caching on : %.0f uniform uploads and %.1f light transforms a frame\n",
                static_cast<double>(on.uniformUploads) / frames,
                static_cast<double>(on.lightTransforms) / frames);
    gl::SetUniformCaching(device, false);
    gl::ResetDrawCounters(device);
    constexpr int kOffFrames = 20;
    for (int frame = 0; frame < kOffFrames; ++frame)
        LightsFrame(device, cache, frame, kDraws, textures, mesh, &seen);
    device->Finish();
    gl::SetUniformCaching(device, true);
    const gl::DrawCounters off = gl::DrawCountersOf(device);
    std::printf("  uniform caching off: %.0f uniform uploads and %.1f light transforms a frame\n",
                static_cast<double>(off.uniformUploads) / kOffFrames,
                static_cast<double>(off.lightTransforms) / kOffFrames);
    cache.InvalidateCache();
}

// Each section on a device of its own, so that its first frame compiles what it needs.
void DrawFigures(Runtime* runtime, void (*section)(Device*, Texture* const*, const Mesh&)) {
    Device* device = MakeDevice(runtime, 640, 480, D3DMULTISAMPLE_NONE);
    if (!device)
        return;
    render::SetCurrentDevice(device);
    Texture* textures[kTextureCount];
    for (int i = 0; i < kTextureCount; ++i)
        textures[i] =
            bench::PatternTexture(device, 64, 0x10101u * static_cast<std::uint32_t>(i + 3));
    const Mesh mesh = MakeMesh(device);
    section(device, textures, mesh);
    render::SetCurrentDevice(nullptr);
    for (Texture* t : textures)
        t->Release();
    mesh.vb->Release();
    mesh.ib->Release();
    device->Release();
}

// Frames per second of a full-screen textured quad; each frame waits until it is drawn.
double QuadFps(Runtime* runtime, UINT width, UINT height, D3DMULTISAMPLE_TYPE samples, bool present,
               int* samplesUsed) {
    Device* device = MakeDevice(runtime, width, height, samples);
    if (!device)
        return 0;
    *samplesUsed = gl::SamplesOf(device);
    Texture* texture = bench::PatternTexture(device, 1024, 0x30507);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTexture(0, texture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    const float w = static_cast<float>(width) - 0.5f, h = static_cast<float>(height) - 0.5f;
    // A slight turn keeps edges across the screen, where multisampling has work to do.
    const bench::ScreenVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0},
                                         {w, 20, 0.5f, 1, 1, 0},
                                         {-0.5f, h - 20, 0.5f, 1, 0, 1},
                                         {w, h, 0.5f, 1, 1, 1}};
    auto frame = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(bench::ScreenVertex));
        device->EndScene();
        if (present)
            device->Present();
        device->Finish();
    };
    for (int i = 0; i < 3; ++i)
        frame();
    int frames = 0;
    const auto start = Clock::now();
    double seconds = 0;
    while (seconds < 2.0 || frames < 5) {
        frame();
        ++frames;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    texture->Release();
    device->Release();
    return frames / seconds;
}

}  // namespace

int main() {
    Runtime* runtime = CreateRuntime();
    if (!runtime) {
        std::printf("no OpenGL 3.3 display; run under xvfb-run\n");
        return 1;
    }
    const auto& info = static_cast<gl::GlRuntime*>(runtime)->Info();
    std::printf("renderer: %s, OpenGL %u.%u, up to %d samples\n", info.renderer.c_str(),
                info.version >> 16, (info.version >> 8) & 0xFF, info.maxSamples);
    std::printf("multisampling offered to the enumeration: %s\n",
                static_cast<gl::GlRuntime*>(runtime)->OffersMultisampling() ? "yes" : "no");
    DrawFigures(runtime, FrameFigures);
    DrawFigures(runtime, LightsFigures);
    std::printf("full-screen textured quad (1024 x 1024 texture, bilinear), frames per second:\n");
    const UINT sizes[2][2] = {{1280, 720}, {1920, 1080}};
    for (auto& size : sizes) {
        for (D3DMULTISAMPLE_TYPE samples : {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_2_SAMPLES}) {
            for (bool present : {false, true}) {
                int used = 0;
                const double fps = QuadFps(runtime, size[0], size[1], samples, present, &used);
                std::printf("  %4u x %4u, %d sample%s, %s: %6.1f fps\n", size[0], size[1],
                            used ? used : 1, used > 1 ? "s" : " ",
                            present ? "presented to the window" : "offscreen (finished)", fps);
            }
        }
    }
    runtime->Release();
    return 0;
}
