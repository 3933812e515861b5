#include "clock/clock_scene.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "app/settings_store.h"
#include "core/trace.h"
#include "render/state_cache.h"
#include "udf/prop_node.h"

namespace clockscene {
namespace {

using namespace gfx;

ClockScene* theScene = nullptr;

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

ClockScene::ClockScene() : ClockScene(app::SaverServices{}) {}

ClockScene::ClockScene(app::SaverServices services)
    : app::SaverApplication(std::move(services)),
      volumeFadeTimer_(Services().clock),
      quietTimer_(Services().clock),
      winkPhaseTimer_(Services().clock) {}

ClockScene::~ClockScene() {
    if (roomRegistered_) {
        RemoveDeviceObject(&room_);
    }
}

void ClockScene::LoadCustomProps(const udf::PropNode& props) {
    // A negative wait would fire the storm every frame; none at all is the shortest.
    if (const udf::PropNode* quiet = props.findChild("QuietTime")) {
        quietTime_ = std::max(0, quiet->asInt());
    }
    if (const udf::PropNode* wink = props.findChild("WinkTime")) {
        winkTime_ = std::max(0, wink->asInt());
    }
}

bool ClockScene::ReadSettings() {
    if (!app::ReadPhotoPath(*Services().registry, Settings().PhotoPath)) {
        core::Trace("Registry Failed\n");
        return false;
    }
    return SaverApplication::ReadSettings();
}

bool ClockScene::WriteSettings() {
    if (!app::WritePhotoPath(*Services().registry, Settings().PhotoPath)) {
        return false;
    }
    return SaverApplication::WriteSettings();
}

void ClockScene::BuildBaseGammaRamp() {
    for (int i = 0; i < 256; ++i) {
        const std::uint16_t entry = app::GammaRampEntry(Settings().Gamma, i);
        baseGammaRamp_.red[i] = entry;
        baseGammaRamp_.green[i] = entry;
        baseGammaRamp_.blue[i] = entry;
    }
}

void ClockScene::SetFrameStates() {
    render::StateCache& cache = render::DeviceStateCache();
    cache.SetRenderState(D3DRS_AMBIENT, ambientColour);
    cache.SetRenderState(D3DRS_FOGENABLE, fog);
    cache.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    cache.SetRenderState(D3DRS_FOGCOLOR, fogColour);
    cache.SetRenderState(D3DRS_FOGSTART, FloatBits(fogStart));
    cache.SetRenderState(D3DRS_FOGEND, FloatBits(fogEnd));
    cache.SetRenderState(D3DRS_RANGEFOGENABLE, 1);
}

bool ClockScene::LoadCustom() {
    core::Trace("LoadCustom started\n");
    const std::int64_t now = Services().clock();

    room_.LoadScene(MediaFile("/clock.udf"), vfs::SearchPaths{});
    room_.SetUpAnimationSlots();
    room_.ApplyPicture(Settings().PhotoPath);
    room_.PrepareMaterialsForWink();
    room_.DetachSpecialNodes(now);
    BuildBaseGammaRamp();

    GetFreeCamera().eye = kFreeCameraEye;
    GetFreeCamera().direction = kFreeCameraDirection;

    nextFlashDelay_ = 1000;
    quietTimer_.Restart();

    room_.StartAnimations(now);
    if (Device()) {
        SetFrameStates();
        room_.GetScene().PrepareDrawing();
        AddDeviceObject(&room_);
        roomRegistered_ = true;
    }
    winkPhaseTimer_.Restart();
    volumeFadeTimer_.Restart();
    return true;
}

bool ClockScene::UpdateScene() {
    core::Trace("BASS stuff ok\n");
    room_.SetHands(Time().Local());
    core::Trace("Ani ok\n");
    core::Trace("Thunder ok\n");
    core::Trace("Flashes ok\n");
    core::Trace("Ending iteration\n");
    return true;
}

bool ClockScene::RenderScene() {
    RoomFrame frame;
    frame.camera = &ViewCamera();
    frame.now = Services().clock();
    frame.flashLevel = flashLevel_;
    frame.winkPhase = winkPhase_;
    frame.ambient = ambientColour;
    return room_.Render(frame);
}

void ClockScene::Shutdown() {
    if (Mode() != app::RunMode::Configure && Mode() != app::RunMode::Preview) {
        if (gfx::Device* device = Device()) {
            device->SetGammaRamp(0, D3DSGR_CALIBRATE, &baseGammaRamp_);
        }
    }
}

app::SaverApplication* TheClockScene() {
    if (!theScene) {
        theScene = new (std::nothrow) ClockScene();
    }
    return theScene;
}

void DestroyClockScene() {
    delete theScene;
    theScene = nullptr;
}

}  // namespace clockscene
