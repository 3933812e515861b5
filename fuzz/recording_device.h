// The recording device of the platform's fakes as the current device for one fuzz input: a
// square back buffer (64 x 64 unless asked) on the standard adapter, the state cache emptied,
// everything released at the end of the input.
#pragma once

#include <cstdint>

#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"

namespace fuzz {

class RecordingDevice {
public:
    explicit RecordingDevice(std::uint32_t side = 64)
        : runtime_(
              new gfx::fake::FakeRuntime(gfx::fake::FakeScript{{gfx::fake::StandardAdapter()}})) {
        gfx::D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = side;
        params.BackBufferHeight = side;
        params.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        if (runtime_->CreateDevice(0, gfx::D3DDEVTYPE_HAL, 0,
                                   gfx::D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                                   &device_) != gfx::S_OK) {
            device_ = nullptr;
            return;
        }
        render::SetCurrentDevice(device_);
        render::DeviceStateCache().InvalidateCache();
    }
    ~RecordingDevice() {
        if (device_) {
            render::SetCurrentDevice(nullptr);
            device_->Release();
        }
        runtime_->Release();
    }
    RecordingDevice(const RecordingDevice&) = delete;
    RecordingDevice& operator=(const RecordingDevice&) = delete;

    bool Ready() const { return device_ != nullptr; }
    // Drops what the device recorded, so that a long input doesn't grow the log.
    void ClearLog() { runtime_->Log().Clear(); }

private:
    gfx::fake::FakeRuntime* runtime_;
    gfx::Device* device_ = nullptr;
};

}  // namespace fuzz
