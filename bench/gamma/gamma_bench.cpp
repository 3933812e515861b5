// What the gamma ramp costs the OpenGL device: presented frames of one full-screen textured quad
// with the identity ramp (the ceiling), with one fixed ramp (a Gamma setting), and with a new
// ramp set every frame (a lightning flash), as ratios to the ceiling of the same run. Run it
// under a display (Xvfb will do).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"

using namespace gfx;

namespace {

using Clock = std::chrono::steady_clock;

struct ScreenVertex {
    float x, y, z, rhw;
    float u, v;
};

enum class Ramp { Identity, Fixed, EveryFrame };

void FillRamp(D3DGAMMARAMP& ramp, double gain, int offset) {
    for (int i = 0; i < 256; ++i) {
        const double value = offset + i * 256.0 * gain;
        const auto entry = static_cast<WORD>(std::clamp(value, 0.0, 65535.0));
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = entry;
    }
}

// Milliseconds a frame takes, as the median of one second's frames; each frame is presented and
// waited for.
double FrameMilliseconds(Device* device, UINT width, UINT height, Ramp ramp) {
    const float w = float(width) - 0.5f, h = float(height) - 0.5f;
    const ScreenVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0},
                                  {w, -0.5f, 0.5f, 1, 1, 0},
                                  {-0.5f, h, 0.5f, 1, 0, 1},
                                  {w, h, 0.5f, 1, 1, 1}};
    D3DGAMMARAMP values{};
    FillRamp(values, 1.0, ramp == Ramp::Identity ? 0 : 20 * 200);
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &values);
    std::vector<double> times;
    int frame = 0;
    const auto start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < 1.5 || times.size() < 9) {
        const auto begin = Clock::now();
        if (ramp == Ramp::EveryFrame) {
            // A flash: the brightening rises and falls from frame to frame.
            FillRamp(values, 1.0 + 0.5 * (frame % 16) / 16.0, (frame % 16) * 2048);
            device->SetGammaRamp(0, D3DSGR_CALIBRATE, &values);
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
        device->EndScene();
        device->Present();
        device->Finish();
        if (++frame > 3) {
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

Texture* MakeTexture(Device* device, UINT size) {
    Texture* texture = nullptr;
    if (Failed(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < size; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     y * locked.Pitch);
        for (UINT x = 0; x < size; ++x)
            row[x] = 0xFF000000u | ((x ^ y) * 0x30507u & 0xFFFFFF);
    }
    texture->UnlockRect(0);
    return texture;
}

}  // namespace

int main() {
    Runtime* runtime = CreateRuntime();
    if (!runtime) {
        std::printf("no OpenGL 3.3 display; run under xvfb-run\n");
        return 1;
    }
    std::printf("presented full-screen quad, median frame time; fps ratio = fps / ceiling fps\n");
    const UINT sizes[2][2] = {{1280, 720}, {1920, 1080}};
    for (const auto& size : sizes) {
        Device* device = CreateOffscreenDevice(*runtime, size[0], size[1]);
        if (!device)
            continue;
        Texture* texture = MakeTexture(device, 1024);
        device->SetRenderState(D3DRS_LIGHTING, 0);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetTexture(0, texture);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        // Alternating runs, so that drift of a shared machine touches each alike.
        double best[3] = {1e9, 1e9, 1e9};
        for (int round = 0; round < 2; ++round) {
            for (int r = 0; r < 3; ++r) {
                best[r] = std::min(best[r], FrameMilliseconds(device, size[0], size[1], Ramp(r)));
            }
        }
        std::printf(
            "  %4u x %4u: identity ramp %.2f ms (ceiling); fixed ramp %.2f ms (%+.2f ms, "
            "fps ratio %.2f); new ramp every frame %.2f ms (%+.2f ms, fps ratio %.2f)\n",
            size[0], size[1], best[0], best[1], best[1] - best[0], best[0] / best[1], best[2],
            best[2] - best[0], best[0] / best[2]);
        texture->Release();
        device->Release();
    }
    runtime->Release();
    return 0;
}
