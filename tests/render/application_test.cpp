#include "render/host/application.h"

#include <gtest/gtest.h>

#include "app/loading_screen.h"
#include "platform/fake/fake_window.h"
#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "platform/fake/memory_resources.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/host/frame_renderer.h"
#include "render/math/matrix.h"
#include "test_images.h"
#include "vfs/file_source.h"

namespace {

using namespace gfx;
using gfx::fake::FakeRuntime;
using gfx::fake::FakeScript;

// Counts what the host does with it.
class CountingObject : public render::DeviceObject {
public:
    bool RestoreDeviceObjects() override {
        ++restores;
        return restoreResult;
    }
    void InvalidateDeviceObjects() override { ++invalidates; }

    int restores = 0;
    int invalidates = 0;
    bool restoreResult = true;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::WindowDesc desc;
        desc.rect = {0, 0, 640, 480};
        window = std::make_unique<platform::fake::FakeWindow>(
            desc,
            [](platform::WindowHandle, std::uint32_t, platform::WPARAM,
               platform::LPARAM) -> platform::LRESULT { return 0; });
        window->SetClientRect({0, 0, 640, 480});
        script.adapters = {gfx::fake::StandardAdapter()};
    }

    // A host on a fresh fake runtime made from `script`.
    std::unique_ptr<render::Application> MakeHost() {
        auto host = std::make_unique<render::Application>();
        host->SetRuntimeFactory([this] {
            runtime = new FakeRuntime(script);
            return runtime;
        });
        host->AddDeviceObject(&object);
        return host;
    }

    fake::FakeDevice* Device() { return runtime ? runtime->LastDevice() : nullptr; }

    FakeScript script;
    FakeRuntime* runtime = nullptr;
    std::unique_ptr<platform::fake::FakeWindow> window;
    CountingObject object;
};

TEST_F(ApplicationTest, CreateChoosesFullScreenAndWindowedSettings) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    EXPECT_EQ(host->DesktopMode().Width, 1920u);
    EXPECT_FALSE(host->SavedFullscreen().windowed);
    EXPECT_EQ(host->SavedFullscreen().width, 1920u);
    EXPECT_TRUE(host->SavedWindowed().windowed);
    EXPECT_EQ(host->Device(), nullptr);

    auto none = std::make_unique<render::Application>();
    none->SetRuntimeFactory([] { return nullptr; });
    EXPECT_FALSE(none->Create(0, window.get())) << "no runtime, no host";
    script.adapters[0].devices.clear();
    auto empty = MakeHost();
    EXPECT_FALSE(empty->Create(0, window.get())) << "nothing to choose from";
}

TEST_F(ApplicationTest, DesktopModeAsksForTwoSamplesAndPublishesTheDevice) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SetMode(true, 0, 0, 32));
    ASSERT_NE(Device(), nullptr);
    EXPECT_EQ(render::CurrentDevice(), host->Device());
    EXPECT_TRUE(host->IsActive());
    const auto& params = Device()->PresentParameters();
    EXPECT_EQ(params.MultiSampleType, D3DMULTISAMPLE_2_SAMPLES);
    EXPECT_EQ(params.BackBufferWidth, 1920u);
    EXPECT_EQ(params.BackBufferCount, 1u);
    EXPECT_EQ(params.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(params.EnableAutoDepthStencil, 1);
    EXPECT_EQ(params.AutoDepthStencilFormat, D3DFMT_D32);
    EXPECT_EQ(params.Flags, D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL);
    EXPECT_EQ(params.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(params.FullScreen_RefreshRateInHz, 60u);
    EXPECT_EQ(params.Windowed, 0);
    EXPECT_EQ(host->BehaviourFlags(), D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_EQ(object.restores, 1);
    EXPECT_TRUE(host->DeviceObjectsRestored());

    host->ReleaseDevice();
    EXPECT_EQ(render::CurrentDevice(), nullptr);
    EXPECT_EQ(object.invalidates, 1);
}

TEST_F(ApplicationTest, ModeSelectionFallsBack) {
    // No 2-sample multisampling: the desktop request settles for none.
    script.adapters[0].devices[0].multiSample = {{D3DMULTISAMPLE_NONE, 1}};
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SetMode(true, 0, 0, 32));
    EXPECT_EQ(Device()->PresentParameters().MultiSampleType, D3DMULTISAMPLE_NONE);

    // Fixed mode at 800 x 600 in 16 bits.
    auto fixed = MakeHost();
    ASSERT_TRUE(fixed->Create(0, window.get()));
    ASSERT_TRUE(fixed->SetMode(false, 800, 600, 16));
    EXPECT_EQ(Device()->PresentParameters().BackBufferWidth, 800u);
    EXPECT_EQ(Device()->PresentParameters().BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(Device()->PresentParameters().AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(Device()->PresentParameters().FullScreen_RefreshRateInHz, 75u);

    // A size the display lacks: the settings Create found are used instead.
    auto odd = MakeHost();
    ASSERT_TRUE(odd->Create(0, window.get()));
    ASSERT_TRUE(odd->SetMode(false, 1234, 567, 32));
    EXPECT_EQ(Device()->PresentParameters().BackBufferWidth, 1920u);

    // Devices that can't be made end the start.
    script.createDeviceResult = D3DERR_NOTAVAILABLE;
    auto failing = MakeHost();
    ASSERT_TRUE(failing->Create(0, window.get()));
    EXPECT_FALSE(failing->SetMode(true, 0, 0, 32));
    EXPECT_EQ(failing->Device(), nullptr);
}

TEST_F(ApplicationTest, ResetPathsInvalidateAndRestore) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SetMode(true, 0, 0, 32));
    ASSERT_EQ(object.restores, 1);

    EXPECT_TRUE(host->CheckDevice());
    Device()->Script().cooperativeLevel = D3DERR_DEVICELOST;
    EXPECT_TRUE(host->CheckDevice()) << "a lost device waits; the frame goes on";
    EXPECT_EQ(object.restores, 1);

    Device()->Script().cooperativeLevel = D3DERR_DEVICENOTRESET;
    EXPECT_TRUE(host->CheckDevice());
    EXPECT_EQ(object.invalidates, 1);
    EXPECT_EQ(object.restores, 2);

    Device()->Script().cooperativeLevel = D3DERR_DEVICENOTRESET;
    Device()->Script().resetResult = D3DERR_INVALIDCALL;
    EXPECT_FALSE(host->CheckDevice());
    EXPECT_FALSE(host->DeviceObjectsRestored());
    EXPECT_EQ(object.invalidates, 2);

    Device()->Script().resetResult = S_OK;
    object.restoreResult = false;
    EXPECT_FALSE(host->ResetDevice()) << "a restore failure after a reset fails the reset";
    EXPECT_EQ(object.restores, 3);
    EXPECT_EQ(object.invalidates, 3) << "the objects are invalidated again after the failure";
}

TEST_F(ApplicationTest, RestoreFailureDoesNotFailCreation) {
    object.restoreResult = false;
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    EXPECT_TRUE(host->SetMode(true, 0, 0, 32));
    EXPECT_FALSE(host->DeviceObjectsRestored());
    EXPECT_EQ(object.invalidates, 1);
}

TEST_F(ApplicationTest, ToggleWindowedSwapsTheSavedSettings) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SelectSaved(true));
    ASSERT_TRUE(host->ForceWindowed());
    EXPECT_TRUE(host->IsWindowed());
    EXPECT_EQ(runtime->Log().Count("CreateDevice"), 1u) << "same adapter and type: a reset";
    EXPECT_EQ(Device()->PresentParameters().Windowed, 1);
    EXPECT_EQ(Device()->PresentParameters().BackBufferWidth, 640u) << "the client area";
    EXPECT_FALSE(host->SavedFullscreen().windowed);
    ASSERT_TRUE(host->ForceFullscreen());
    EXPECT_FALSE(host->IsWindowed());
    EXPECT_EQ(Device()->PresentParameters().BackBufferWidth, 1920u);

    // A windowed buffer follows the window's size; a resize takes the reset path.
    ASSERT_TRUE(host->ForceWindowed());
    const int restores = object.restores;
    window->SetClientRect({0, 0, 320, 200});
    host->MsgProc(window->Handle(), platform::WM_SIZE, 0, 0);
    EXPECT_EQ(Device()->PresentParameters().BackBufferWidth, 320u);
    EXPECT_EQ(object.restores, restores + 1);
    host->MsgProc(window->Handle(), platform::WM_SIZE, 0, 0);
    EXPECT_EQ(object.restores, restores + 1) << "no change, no reset";

    host->MsgProc(window->Handle(), platform::WM_SIZE, 1, 0);
    EXPECT_TRUE(host->IsPaused());
    host->MsgProc(window->Handle(), platform::WM_SIZE, 0, 0);
    EXPECT_FALSE(host->IsPaused());
    host->MsgProc(window->Handle(), platform::WM_ACTIVATE, 0, 0);
    EXPECT_FALSE(host->IsActive());
    host->MsgProc(window->Handle(), platform::WM_ACTIVATE, 1, 0);
    EXPECT_TRUE(host->IsActive());
}

TEST_F(ApplicationTest, FullScreenSwallowsWindowCommands) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SelectSaved(true));
    EXPECT_EQ(host->MsgProc(window->Handle(), platform::WM_SYSCOMMAND, platform::SC_MOVE, 0), 1);
    EXPECT_EQ(host->MsgProc(window->Handle(), platform::WM_SYSCOMMAND, platform::SC_CLOSE, 0), 0);
    EXPECT_EQ(host->MsgProc(window->Handle(), 0x0084, 0, 0), 1) << "WM_NCHITTEST: HTCLIENT";
    host->MsgProc(window->Handle(), platform::WM_CLOSE, 0, 0);
    EXPECT_EQ(host->Device(), nullptr) << "closing releases the device";
    EXPECT_FALSE(host->IsActive());
}

TEST_F(ApplicationTest, StatesSetAheadOfTheFirstFrameAreTheFramesOwn) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SetMode(true, 0, 0, 32));
    render::FrameParameters parameters;
    parameters.scene.ambient = gfx::D3DCOLOR_XRGB(1, 2, 3);
    parameters.scene.fog = true;
    parameters.scene.fogStart = 300.0f;
    render::SetFrameStates(render::DeviceStateCache(), parameters.scene);
    runtime->Log().Clear();
    ASSERT_TRUE(render::RenderDeviceFrame(*host, parameters, {}));
    // Only the fill mode, which the frame sets before its scene begins, is left to send.
    EXPECT_EQ(runtime->Log().Count("SetRenderState"), 1u);
    EXPECT_EQ(runtime->Log().Count("SetSamplerState"), 0u);
}

TEST_F(ApplicationTest, FrameStepsInOrder) {
    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SetMode(true, 0, 0, 32));
    runtime->Log().Clear();
    int scenes = 0;
    render::FrameParameters parameters;
    ASSERT_TRUE(
        render::RenderDeviceFrame(*host, parameters, {[&] { return ++scenes > 0; }, {}, {}}));
    EXPECT_EQ(scenes, 1);
    const auto& calls = runtime->Log().Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "TestCooperativeLevel()");
    EXPECT_EQ(calls[1], "Clear(0, 3, 0xff640000, 1, 0)") << "background 100, 0, 0";
    EXPECT_EQ(calls.back(), "Present()");
    EXPECT_TRUE(runtime->Log().Contains("BeginScene()"));
    EXPECT_TRUE(runtime->Log().Contains("EndScene()"));
    EXPECT_TRUE(runtime->Log().Contains("Clear(0, 2, 0x00000000, 1, 0)"));
    EXPECT_TRUE(runtime->Log().Contains("SetRenderState(140, 3)")) << "linear vertex fog";
    EXPECT_TRUE(runtime->Log().Contains("SetRenderState(36, 1176256512)")) << "fog start 10000";
    EXPECT_EQ(runtime->Log().Count("SetTransform"), 3u);

    // The next frame sends only what changed: nothing.
    runtime->Log().Clear();
    render::RenderDeviceFrame(*host, parameters, {});
    EXPECT_EQ(runtime->Log().Count("SetTransform"), 0u);
    EXPECT_EQ(runtime->Log().Count("SetRenderState"), 0u);

    Device()->Script().beginSceneResult = D3DERR_INVALIDCALL;
    runtime->Log().Clear();
    EXPECT_TRUE(
        render::RenderDeviceFrame(*host, parameters, {[&] { return ++scenes > 0; }, {}, {}}));
    EXPECT_EQ(scenes, 1) << "nothing is drawn without a scene";
    EXPECT_TRUE(runtime->Log().Contains("Present()")) << "but the frame is still presented";

    host->ReleaseDevice();
    EXPECT_FALSE(render::RenderDeviceFrame(*host, parameters, {}));
}

TEST(FrameMatricesTest, PerspectiveAndLookAtMatchTheLeftHandedForms) {
    const D3DMATRIX p = render::MatrixPerspectiveFovLH(1.5707964f, 2.0f, 1.0f, 11.0f).ToD3D();
    EXPECT_NEAR(p.m[0][0], 0.5f, 1e-6);
    EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6);
    EXPECT_NEAR(p.m[2][2], 1.1f, 1e-6);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -1.1f, 1e-6);
    const D3DMATRIX v = render::MatrixLookAtLH({0, -5, 0}, {0, 0, 0}, {0, 0, 1}).ToD3D();
    // Looking along +Y with Z up, left-handed: +X lies to the left, Z is up, the point is 5 away.
    const float point[4] = {1, 0, 2, 1};
    float out[3] = {0, 0, 0};
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 4; ++r) {
            out[c] += point[r] * v.m[r][c];
        }
    }
    EXPECT_NEAR(out[0], -1.0f, 1e-6);
    EXPECT_NEAR(out[1], 2.0f, 1e-6);
    EXPECT_NEAR(out[2], 5.0f, 1e-6);
}

std::int64_t fadeNow = 0;
std::int64_t FadeClock() {
    return fadeNow += 20;
}

TEST_F(ApplicationTest, LoadingScreenDrawsOnlyPresentCornersAndFades) {
    std::vector<std::uint32_t> big(32 * 32, 0xFF204080);
    platform::fake::MemoryResources resources;
    resources.Add(
        "MEMFILE", 186,
        render::test::MakeTga(64, 48, std::vector<std::uint32_t>(64 * 48, 0xFF101010), 24));
    resources.Add("MEMFILE", 187, render::test::MakeTga(32, 32, big));         // 4 KiB: present
    resources.Add("MEMFILE", 188, render::test::MakeTga(1, 1, {0x00FFFFFF}));  // placeholder
    resources.Add("MEMFILE", 190, render::test::MakeTga(32, 32, big));
    vfs::setModuleResources(&resources);

    auto host = MakeHost();
    ASSERT_TRUE(host->Create(0, window.get()));
    ASSERT_TRUE(host->SetMode(true, 0, 0, 32));
    {
        app::LoadingScreen screen;
        screen.Load();
        EXPECT_TRUE(screen.Present(0));
        EXPECT_TRUE(screen.Present(1));
        EXPECT_FALSE(screen.Present(2));
        EXPECT_FALSE(screen.Present(3)) << "missing";
        EXPECT_TRUE(screen.Present(4));
        ASSERT_NE(screen.Picture(), nullptr);
        EXPECT_NE(screen.Corner(1), screen.Corner(4)) << "each resource is a texture of its own";
        EXPECT_NE(screen.Corner(2), nullptr);

        runtime->Log().Clear();
        screen.DrawLoadingFrame(host->ClientRect());
        EXPECT_EQ(runtime->Log().Count("DrawPrimitiveUP"), 3u) << "picture and two corners";
        EXPECT_EQ(runtime->Log().Calls().front(), "Clear(0, 3, 0xff000000, 1, 0)");
        EXPECT_EQ(runtime->Log().Calls().back(), "Present()");

        runtime->Log().Clear();
        fadeNow = 0;
        screen.FadeOut(host->ClientRect(), &FadeClock);
        // The clock moves 20 ms per reading: frames at 20, 40, ... 180 ms.
        EXPECT_EQ(runtime->Log().Count("Present"), 9u);
        EXPECT_TRUE(runtime->Log().Contains("SetTextureStageState(0, 5, 3)"))
            << "the opacity comes in through the texture factor";
        EXPECT_TRUE(runtime->Log().Contains("SetRenderState(60, 3858759679)"))
            << "alpha 229 at 20 ms over the default white factor";
    }
    vfs::setModuleResources(nullptr);
}

}  // namespace
