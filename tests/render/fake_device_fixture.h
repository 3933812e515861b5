// A scripted runtime and a device made from it, published as the current device for a test.
#pragma once

#include <gtest/gtest.h>

#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"

namespace render::test {

class FakeDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime = new gfx::fake::FakeRuntime(gfx::fake::FakeScript{{gfx::fake::StandardAdapter()}});
        gfx::D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 640;
        params.BackBufferHeight = 480;
        params.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        gfx::Device* created = nullptr;
        ASSERT_EQ(
            runtime->CreateDevice(0, gfx::D3DDEVTYPE_HAL, 0,
                                  gfx::D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &created),
            gfx::S_OK);
        device = static_cast<gfx::fake::FakeDevice*>(created);
        render::SetCurrentDevice(device);
        render::DeviceStateCache().InvalidateCache();
        render::DeviceStateCache().SetEnabled(true);
        runtime->Log().Clear();
    }
    void TearDown() override {
        render::SetCurrentDevice(nullptr);
        if (device) {
            device->Release();
        }
        runtime->Release();
    }

    gfx::fake::CallLog& Log() { return runtime->Log(); }

    gfx::fake::FakeRuntime* runtime = nullptr;
    gfx::fake::FakeDevice* device = nullptr;
};

}  // namespace render::test
