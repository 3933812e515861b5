// Figures for the OpenGL device: program-cache hits and device calls (with and without the
// state cache) for one recorded frame of many draws, the fill-rate ceiling of a full-screen
// textured quad, and what 2-sample multisampling costs. Run it under a display (Xvfb will do).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gfx/runtime.h"
#include "platform/linux/gl/device_statistics.h"
#include "platform/linux/gl/gl_runtime.h"
#include "render/current_device.h"
#include "render/state_cache.h"

using namespace gfx;

namespace {

using Clock = std::chrono::steady_clock;

Device* MakeDevice(Runtime* runtime, UINT width, UINT height, D3DMULTISAMPLE_TYPE samples) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.MultiSampleType = samples;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = 1;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = D3DFMT_D24X8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    Device* device = nullptr;
    runtime->CreateDevice(0, D3DDEVTYPE_HAL, 0, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                          &device);
    return device;
}

Texture* MakeTexture(Device* device, UINT size, std::uint32_t seed) {
    Texture* texture = nullptr;
    if (Failed(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < size; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     y * locked.Pitch);
        for (UINT x = 0; x < size; ++x)
            row[x] = 0xFF000000u | ((x ^ y) * seed & 0xFFFFFF);
    }
    texture->UnlockRect(0);
    return texture;
}

struct Material {
    int texture;
    bool lit;
    bool lightMap;
    bool additive;
    float opacity;
};

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
    const int stages = m.lightMap ? 2 : 1;
    for (int s = 0; s < stages; ++s) {
        const DWORD stage = static_cast<DWORD>(s);
        cache.SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
        cache.SetTexture(stage, textures[m.texture + s]);
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
void RecordedFrame(Device* device, render::StateCache& cache, int draws, Texture* const* textures,
                   VertexBuffer* vb, IndexBuffer* ib) {
    static const Material materials[] = {
        {0, true, false, false, 1.0f},  {1, true, true, false, 1.0f},
        {3, false, true, false, 1.0f},  {5, true, false, false, 0.5f},
        {6, false, false, true, 0.8f},  {2, true, false, false, 1.0f},
        {4, false, false, false, 1.0f}, {7, true, true, false, 1.0f},
    };
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
        const Material& m = materials[(i / 25) % 8];
        ApplyMaterial(cache, m, textures, material);
        D3DMATRIX world{
            {{1, 0, 0, 0},
             {0, 1, 0, 0},
             {0, 0, 1, 0},
             {static_cast<float>(i % 20) - 10, static_cast<float>(i / 20 % 10) - 5, 0, 1}}};
        cache.SetWorld(&world);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2);
        device->SetStreamSource(0, vb, 0, sizeof(Vertex));
        device->SetIndices(ib);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12);
    }
    device->EndScene();
}

void FrameFigures(Runtime* runtime) {
    Device* device = MakeDevice(runtime, 640, 480, D3DMULTISAMPLE_NONE);
    if (!device)
        return;
    render::SetCurrentDevice(device);
    render::StateCache& cache = render::DeviceStateCache();
    cache.InvalidateCache();
    Texture* textures[8];
    for (int i = 0; i < 8; ++i)
        textures[i] = MakeTexture(device, 64, 0x10101u * (i + 3));
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
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    device->CreateVertexBuffer(sizeof(Vertex) * 24, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb);
    device->CreateIndexBuffer(72, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    void* data;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), sizeof(Vertex) * 24);
    vb->Unlock();
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), 72);
    ib->Unlock();

    const int draws = 1000;
    RecordedFrame(device, cache, draws, textures, vb, ib);  // first frame compiles
    device->Finish();
    std::printf("recorded frame: %d draws, 8 materials\n", draws);
    std::printf("  program cache, first frame: %llu hits, %llu misses (programs compiled)\n",
                static_cast<unsigned long long>(gl::CacheStatsOf(device).hits),
                static_cast<unsigned long long>(gl::CacheStatsOf(device).misses));
    for (bool enabled : {true, false}) {
        cache.SetEnabled(enabled);
        cache.InvalidateCache();
        RecordedFrame(device, cache, draws, textures, vb, ib);  // warm the cache values
        gl::ResetCacheStats(device);
        cache.ResetCounters();
        device->Finish();
        RecordedFrame(device, cache, draws, textures, vb, ib);
        device->Finish();
        // The counts above are for one frame; the time is the mean of several.
        const auto counters = cache.GetCounters();
        const auto stats = gl::CacheStatsOf(device);
        constexpr int kFrames = 20;
        const auto start = Clock::now();
        for (int i = 0; i < kFrames; ++i) {
            RecordedFrame(device, cache, draws, textures, vb, ib);
            device->Finish();
        }
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kFrames;
        std::printf(
            "  state cache %s: %llu state calls reach the device (%llu kept back), "
            "program cache %llu hits / %llu misses, %.2f ms a frame\n",
            enabled ? "on " : "off", static_cast<unsigned long long>(counters.sent),
            static_cast<unsigned long long>(counters.skipped),
            static_cast<unsigned long long>(stats.hits),
            static_cast<unsigned long long>(stats.misses), ms);
    }
    cache.SetEnabled(true);
    cache.InvalidateCache();
    render::SetCurrentDevice(nullptr);
    for (Texture* t : textures)
        t->Release();
    vb->Release();
    ib->Release();
    device->Release();
}

struct ScreenVertex {
    float x, y, z, rhw, u, v;
};

// Frames per second of a full-screen textured quad; each frame waits until it is drawn.
double QuadFps(Runtime* runtime, UINT width, UINT height, D3DMULTISAMPLE_TYPE samples, bool present,
               int* samplesUsed) {
    Device* device = MakeDevice(runtime, width, height, samples);
    if (!device)
        return 0;
    *samplesUsed = gl::SamplesOf(device);
    Texture* texture = MakeTexture(device, 1024, 0x30507);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTexture(0, texture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    const float w = static_cast<float>(width) - 0.5f, h = static_cast<float>(height) - 0.5f;
    // A slight turn keeps edges across the screen, where multisampling has work to do.
    const ScreenVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0},
                                  {w, 20, 0.5f, 1, 1, 0},
                                  {-0.5f, h - 20, 0.5f, 1, 0, 1},
                                  {w, h, 0.5f, 1, 1, 1}};
    auto frame = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
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
    FrameFigures(runtime);
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
