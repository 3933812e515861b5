// What the gamma ramp costs the OpenGL device: presented frames of one full-screen textured quad
// with the identity ramp (the ceiling), with one fixed ramp (a Gamma setting), and with a new
// ramp set every frame (a lightning flash), as ratios to the ceiling of the same run. Run it
// under a display (Xvfb will do).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/gfx/offscreen_device.h"
#include "quad_ceiling.h"
#include "platform/gfx/runtime.h"

using namespace gfx;

namespace {

using Clock = std::chrono::steady_clock;

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
    const auto quad = bench::FullScreenQuad(width, height);
    D3DGAMMARAMP values{};
    FillRamp(values, 1.0, ramp == Ramp::Identity ? 0 : 20 * 200);
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &values);
    std::vector<double> times;
    int frame = 0;
    const auto start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < 1.5 || times.size() < 9) {
        const auto begin = Clock::now();
        if (ramp == Ramp::EveryFrame) {
            // A flash of intensity 0.6 over the base ramp of Gamma 20, its level rising and
            // falling from frame to frame, blended as the storm does it.
            const double level = (frame % 16) / 15.0;
            for (int i = 0; i < 256; ++i) {
                const double flash = std::min(65535.0, 0.6 * 32768 + i * (0.6 * 256 + 256));
                const double base = std::clamp(20.0 * 200 + i * 256, 0.0, 65535.0);
                const auto entry = static_cast<WORD>(
                    std::min(65535.0, std::trunc(flash * level + base * (1 - level))));
                values.red[i] = values.green[i] = values.blue[i] = entry;
            }
            device->SetGammaRamp(0, D3DSGR_CALIBRATE, &values);
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(bench::ScreenVertex));
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
        Texture* texture = bench::PatternTexture(device, 1024, 0x30507);
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
