#include "clock/clock_scene.h"

#include <algorithm>
#include <new>

#include "app/picture_dialog_part.h"
#include "app/settings_store.h"
#include "core/trace.h"
#include "render/device/state_cache.h"
#include "render/host/frame_renderer.h"
#include "udf/prop_node.h"

namespace clockscene {
namespace {

using namespace gfx;

ClockScene* theScene = nullptr;

}  // namespace

ClockScene::ClockScene() : ClockScene(app::SaverServices{}) {}

ClockScene::ClockScene(app::SaverServices services)
    : app::SaverApplication(std::move(services)),
      storm_(Services().clock),
      volumeFadeTimer_(Services().clock) {
    storm_.SetGammaOutput([this](const gfx::D3DGAMMARAMP& ramp) {
        if (gfx::Device* device = Device()) {
            device->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
        }
    });
    storm_.SetThunderOutput(
        [this](int sample, int volume) { sound_.PlayThunderClap(sample, volume); });
}

ClockScene::~ClockScene() {
    if (roomRegistered_) {
        RemoveDeviceObject(&room_);
    }
}

void ClockScene::LoadCustomProps(const udf::PropNode& props) {
    if (const udf::PropNode* quiet = props.findChild("QuietTime")) {
        storm_.SetQuietTime(quiet->asInt());
    }
    if (const udf::PropNode* wink = props.findChild("WinkTime")) {
        storm_.SetWinkTime(wink->asInt());
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

bool ClockScene::ConfigDialogProc(platform::DialogWindow& dialog, std::uint32_t message,
                                  platform::WPARAM wParam, platform::LPARAM lParam) {
    app::PictureDialogPart(Settings().PhotoPath, *Services().fileChooser, dialog, message, wParam,
                           lParam);
    return SaverApplication::ConfigDialogProc(dialog, message, wParam, lParam);
}

void ClockScene::StartAudio() {
    library_.Load(*Services().resources);
    sound_ = audio::SoundPlayback(audio::SoundFunctions::Of(library_), MediaPaths(), mediaFolder);
    void* window = SaverWindow() ? reinterpret_cast<void*>(SaverWindow()->Handle()) : nullptr;
    if (sound_.Initialise(window)) {
        core::Trace("BASS inited\n");
    } else {
        core::Trace("BASS not inited\n");
        Settings().Music = false;
        Settings().Sound = false;
    }
}

bool ClockScene::LoadCustom() {
    core::Trace("LoadCustom started\n");
    const std::int64_t now = Services().clock();

    const vfs::FileSource scene = MediaFile("/clock.udf");
    StartAudio();
    room_.LoadScene(scene, vfs::SearchPaths{});
    room_.SetUpAnimationSlots();
    room_.ApplyPicture(Settings().PhotoPath);
    room_.PrepareMaterialsForWink();
    room_.DetachSpecialNodes(now);
    storm_.SetBaseRamp(Settings().Gamma);

    Tour().FreeCamera().eye = kFreeCameraEye;
    Tour().FreeCamera().front = kFreeCameraDirection;

    // The first flash comes a second from now; the wink's phase clock starts.
    storm_.Start();

    const render::Vector3 clock = room_.ClockPosition();
    sound_.StartSounds(Settings().Music, Settings().Sound, {clock.x, clock.y, clock.z},
                       [](std::string line) { core::Trace(std::move(line)); });
    storm_.SetThunderLoaded(sound_.ThunderSample(0) != 0);
    storm_.SetThunderAudible(Settings().Sound && Settings().Volume > 0);

    room_.StartAnimations(now);
    if (Device()) {
        render::SetFrameStates(render::DeviceStateCache(), Parameters());
        room_.GetScene().PrepareDrawing();
        AddDeviceObject(&room_);
        roomRegistered_ = true;
    }
    volumeFadeTimer_.Restart();
    return true;
}

bool ClockScene::UpdateScene() {
    sound_.FadeIn(Settings().Volume, volumeFadeTimer_.ElapsedMilliseconds(),
                  Mode() == app::RunMode::Preview);
    const render::Camera& camera = ViewCamera();
    const render::Vector3 eye = camera.GetEye();
    const render::Vector3 front = camera.GetDirection();
    const render::Vector3 top = camera.GetUp();
    sound_.UpdateListener({eye.x, eye.y, eye.z}, {front.x, front.y, front.z},
                          {top.x, top.y, top.z});
    core::Trace("BASS stuff ok\n");
    room_.SetHands(Time().Local());
    core::Trace("Ani ok\n");
    storm_.UpdateLightning();
    core::Trace("Thunder ok\n");
    storm_.UpdateFlash();
    core::Trace("Flashes ok\n");
    storm_.UpdateWink();
    core::Trace("Ending iteration\n");
    return true;
}

bool ClockScene::RenderScene() {
    RoomFrame frame;
    frame.camera = &ViewCamera();
    frame.now = Services().clock();
    frame.flashLevel = storm_.FlashLevel();
    frame.winkPhase = storm_.WinkPhase();
    frame.ambient = Parameters().ambient;
    return room_.Render(frame);
}

void ClockScene::Shutdown() {
    if (Mode() != app::RunMode::Configure && Mode() != app::RunMode::Preview) {
        storm_.RestoreBaseRamp();
    }
    if (Mode() == app::RunMode::Saver || Mode() == app::RunMode::SaverT) {
        sound_.Silence();
        library_.Unload();
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
