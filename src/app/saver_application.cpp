#include "app/saver_application.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "app/picture_dialog_part.h"
#include "app/settings_store.h"
#include "core/start_failure.h"
#include "core/trace.h"
#include "platform/screensaver.h"
#include "render/host/frame_renderer.h"
#include "render/states/screen_quad.h"
#include "render/textures/texture.h"
#include "text/font_store.h"
#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/search_paths.h"

namespace app {
namespace {

// The application the platform's window procedure forwards to.
SaverApplication* forwardTarget = nullptr;

SaverApplication* theApplication = nullptr;

gfx::D3DDISPLAYMODE desktopDisplayMode{};

bool IsFullScreenMode(RunMode mode) {
    return mode == RunMode::Saver || mode == RunMode::SaverT;
}

constexpr float kDegrees = 3.1415927f / 180.0f;

// Colour keys hold red, green and blue as integers 0 .. 255.
void ReadColour(const udf::PropNode& root, const char* key, gfx::D3DCOLOR& colour) {
    const udf::PropNode* node = root.findChild(key);
    if (!node) {
        return;
    }
    std::uint32_t rgb[3] = {(colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF};
    for (int i = 0; i < 3; ++i) {
        if (const udf::PropNode* element = node->findChild(std::to_string(i))) {
            rgb[i] = std::uint32_t(std::clamp(element->asInt(), 0, 255));
        }
    }
    colour = gfx::D3DCOLOR_XRGB(rgb[0], rgb[1], rgb[2]);
}

void ReadNumber(const udf::PropNode& root, const char* key, float& value) {
    if (const udf::PropNode* node = root.findChild(key)) {
        value = node->asReal();
    }
}

}  // namespace

SaverApplication::SaverApplication() : SaverApplication(SaverServices{}) {}

SaverApplication::SaverApplication(SaverServices services)
    : services_(std::move(services)),
      defaults_(*services_.messageBox),
      startStopwatch_(services_.clock),
      frameRateTimer_(services_.clock),
      keepAwakeTimer_(services_.clock),
      tour_(services_.clock) {
    defaults_.Load(*services_.resources);
    textTable_.Load(*services_.resources);
    defaults_.LoadDefaults(settings_);
    if (services_.runtime) {
        SetRuntimeFactory(services_.runtime);
    }
    forwardTarget = this;
}

SaverApplication::~SaverApplication() {
    if (inputManager_) {
        RemoveMessageListener(inputManager_.get());
    }
    if (fadeTexture_) {
        fadeTexture_->Release();
    }
    // The fonts hold textures of the device.
    text::FontStore::Instance().Clear();
    // The device draws into the window, so it goes first; the window goes before the object its
    // procedure forwards to.
    ReleaseDevice();
    window_.reset();
    if (forwardTarget == this) {
        forwardTarget = nullptr;
    }
}

platform::LRESULT SaverApplication::ForwardWindowProc(platform::WindowHandle window,
                                                      std::uint32_t message,
                                                      platform::WPARAM wParam,
                                                      platform::LPARAM lParam) {
    if (!forwardTarget) {
        return 1;
    }
    return forwardTarget->WindowProc(window, message, wParam, lParam);
}

std::uint16_t GammaRampEntry(std::int32_t gamma, int i) {
    const std::int64_t value = std::int64_t(gamma) * 200 + std::int64_t(i) * 256;
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(value, 0, 65535));
}

void SaverApplication::ApplyGamma() {
    for (int i = 0; i < 256; ++i) {
        const std::uint16_t entry = GammaRampEntry(settings_.Gamma, i);
        gammaRamp_.red[i] = entry;
        gammaRamp_.green[i] = entry;
        gammaRamp_.blue[i] = entry;
    }
    if (gfx::Device* device = Device()) {
        device->SetGammaRamp(0, gfx::D3DSGR_CALIBRATE, &gammaRamp_);
    }
    RestoreDeviceObjects();
}

bool SaverApplication::RestoreDeviceObjects() {
    return RestoreDeviceObjectList();
}

void KeepDrawable(float& nearPlane, float& farPlane, float& fieldOfView) {
    if (!std::isfinite(fieldOfView)) {
        fieldOfView = 60.0f * kDegrees;
    }
    fieldOfView = std::clamp(fieldOfView, 1.0f * kDegrees, 179.0f * kDegrees);
    if (!std::isfinite(nearPlane) || nearPlane <= 0.0f) {
        nearPlane = 1.0f;
    }
    nearPlane = std::min(nearPlane, 1.0e6f);
    // Too close a far plane leaves no depth range at all.
    if (!std::isfinite(farPlane) || farPlane <= nearPlane * 1.001f) {
        farPlane = nearPlane * 1500.0f;
    }
}

vfs::FileSource SaverApplication::MediaFile(std::string_view name) {
    vfs::FileSource source(&mediaArchive_, core::EngineString(mediaFolder + std::string(name)));
    source.flags = vfs::kSourceArchive;
    return source;
}

vfs::SearchPaths SaverApplication::MediaPaths() {
    vfs::FileSource mount(&mediaArchive_, core::EngineString(""));
    mount.flags = vfs::kSourceArchive;
    vfs::SearchPaths paths;
    paths.add(mount);
    return paths;
}

void SaverApplication::MountMedia() {
    // Resources handed in without an archive leave the executable's own.
    if (const auto image = services_.resources->Find(vfs::kResourceType, kMediaArchiveId)) {
        mediaArchive_.mount(vfs::FileSource(image->data(), std::uint32_t(image->size())));
    } else {
        mediaArchive_.mount(vfs::FileSource(vfs::ResourceId{kMediaArchiveId}));
    }
}

bool SaverApplication::LoadSceneProps() {
    auto stream = MediaFile("/Scene.props").open(vfs::kModeRead);
    udf::PropNode root;
    if (!stream || !udf::ParseUdfText(*stream, root)) {
        return false;
    }
    render::SceneParameters& p = sceneParameters_;
    ReadColour(root, "Ambient", p.ambient);
    ReadColour(root, "BgColor", p.background);
    ReadColour(root, "FogColor", p.fogColour);
    ReadNumber(root, "NearPlane", p.nearPlane);
    ReadNumber(root, "FarPlane", p.farPlane);
    ReadNumber(root, "FogStart", p.fogStart);
    ReadNumber(root, "FogEnd", p.fogEnd);
    if (const udf::PropNode* fov = root.findChild("Fov")) {
        p.fieldOfView = fov->asReal() / 180.0f * 3.1415927f;
    }
    ReadNumber(root, "CamSpeed", camSpeed);
    KeepDrawable(p.nearPlane, p.farPlane, p.fieldOfView);
    if (const udf::PropNode* paths = root.findChild("Animations")) {
        for (const auto& child : paths->children()) {
            tourPaths.push_back(child.node->asString().str());
        }
    }
    LoadCustomProps(root);
    return true;
}

const gfx::D3DDISPLAYMODE& DesktopDisplayMode() {
    return desktopDisplayMode;
}

bool SaverApplication::ConfigDialogProc(platform::DialogWindow& dialog, std::uint32_t message,
                                        platform::WPARAM wParam, platform::LPARAM lParam) {
    ConfigDialogContext context{settings_,
                                textTable_,
                                defaults_,
                                *services_.resources,
                                *services_.dialogs,
                                *services_.urlOpener,
                                *services_.messageBox,
                                services_.runtime,
                                [this] { return WriteSettings(); },
                                configDialog_};
    return ApplicationDialogPart(context, dialog, message, wParam, lParam);
}

void SaverApplication::RunConfigDialog() {
    const auto bytes = services_.resources->Find("DIALOG", kConfigDialogId);
    const auto dialogTemplate = bytes ? platform::ParseDialogTemplate(*bytes) : std::nullopt;
    if (!dialogTemplate) {
        return;
    }
    services_.dialogs->RunModal(*dialogTemplate, windowArgument_,
                                [this](platform::DialogWindow& dialog, std::uint32_t message,
                                       platform::WPARAM wParam, platform::LPARAM lParam) {
                                    return ConfigDialogProc(dialog, message, wParam, lParam);
                                });
}

bool SaverApplication::ReadSettings() {
    return ReadBaseSettings(*services_.registry, settings_);
}

bool SaverApplication::WriteSettings() {
    return WriteBaseSettings(*services_.registry, settings_);
}

bool SaverApplication::CreateSaverWindow() {
    platform::WindowDesc desc;
    desc.title = textTable_.GetText("screensaver_name");
    switch (runMode_) {
        case RunMode::Saver:
        case RunMode::SaverT:
            desc.kind = platform::WindowKind::Popup;
            // In desktop mode the window starts small and the device takes the desktop's size.
            desc.desktopSize = settings_.UseDesktop;
            desc.rect = settings_.UseDesktop
                            ? platform::Rect{0, 0, 10, 10}
                            : platform::Rect{0, 0, settings_.Width, settings_.Height};
            break;
        case RunMode::Preview:
            desc.kind = platform::WindowKind::Child;
            desc.parent = windowArgument_;
            // An empty rectangle fills the parent's client area; without a parent the window
            // can't be made at all.
            if (windowArgument_ == 0) {
                desc.rect = {100, 100, 150, 150};
            }
            break;
        default:
            return false;
    }
    window_ = services_.windowFactory(desc, &SaverApplication::ForwardWindowProc);
    return window_ != nullptr;
}

void SaverApplication::WaitInPreview() {
    platform::SetIdlePriority();
    previewWait_ = true;
    window_->PostMessage(platform::WM_USER, 0, 0);
    platform::Message message;
    // A close during the wait ends the preview as soon as the loop starts.
    while (previewWait_ && !quit_) {
        if (!window_->GetMessage(message)) {
            window_->PostQuitMessage(0);
            break;
        }
        window_->DispatchMessage(message);
    }
}

void SaverApplication::StartInput() {
    inputDevices_ = services_.inputDevices ? services_.inputDevices() : nullptr;
    inputManager_ = std::make_unique<input::InputManager>(inputDevices_.get(), services_.clock);
    // Without devices the manager still turns window messages into events.
    inputManager_->Initialise(window_->Handle(), true,
                              platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND,
                              platform::DISCL_NONEXCLUSIVE | platform::DISCL_FOREGROUND);
    // It sees the window's messages before the device host does.
    AddMessageListener(inputManager_.get());
}

bool SaverApplication::Create(platform::InstanceHandle instance, RunMode mode,
                              std::uint32_t windowArgument) {
    instance_ = instance;
    runMode_ = mode;
    windowArgument_ = windowArgument;
    ReadSettings();
    if (frameRateForced_ && runMode_ != RunMode::Configure) {
        settings_.ShowFps = true;
    }
    core::TraceError("", "Log started \n");
    core::Trace("Create function entered\n");

    if (runMode_ != RunMode::Configure && !CreateSaverWindow()) {
        core::Trace("Failed creating Saver Windows\n");
        return false;
    }

    if (runMode_ == RunMode::Preview) {
        WaitInPreview();
        return true;
    }

    if (runMode_ != RunMode::Configure && !render::Application::Create(instance_, window_.get())) {
        core::TraceError("", "Error: Application::Create(hInstance) failed\n");
        return false;
    }

    if (runMode_ == RunMode::Configure) {
        // The configuration dialog owns this mode; the saver itself never runs in it.
        core::Trace("Config Mode: loading Dialog\n");
        RunConfigDialog();
        return true;
    }

    if (IsFullScreenMode(runMode_)) {
        core::Trace("Full Mode:\n");
        core::Trace(settings_.UseDesktop ? "Using desktop mode\n" : "Using fixed mode\n");
        if (!SetMode(settings_.UseDesktop, static_cast<std::uint32_t>(settings_.Width),
                     static_cast<std::uint32_t>(settings_.Height),
                     static_cast<std::uint32_t>(settings_.Depth))) {
            core::TraceError("", "Error: Application::SetMode() failed\n");
            return false;
        }
    }

    window_->ShowCursor(false);
    MountMedia();

    desktopDisplayMode = DesktopMode();
    ReadClientRect();
    // The overlays grow with the screen up to the size they have on a 1920-pixel one: wider
    // screens are denser, not viewed from further away, and glyphs scaled further lose strokes.
    scaleFactor_ = std::min(ClientRect().Width(), kWidestOverlayScreen) / 1024.0;

    if (Device()) {
        loadingScreen_.Load();
        fadeTexture_ = render::LoadBlackTexture();
        loadingScreen_.DrawLoadingFrame(ClientRect());
        ReportPresented(PresentedFrame::Loading);
    }

    LoadSceneProps();
    core::TraceError("", "Application created\n");

    StartInput();
    // The free camera is Z up like the scene; the scene places it.
    tour_.FreeCamera().up = {0.0f, 0.0f, 1.0f};
    SetUpView();
    if (!LoadFonts()) {
        return false;
    }
    CreateOverlay();
    inputManager_->AddListener(this);
    StartTour();

    if (!LoadCustom()) {
        return false;
    }
    tour_.RestartTimer();
    startStopwatch_.Restart();
    loadingScreen_.FadeOut(ClientRect(), services_.clock);

    core::Trace("Creating successfull\n");
    return true;
}

void SaverApplication::UpdateFrameRate() {
    const std::int64_t now = services_.clock();
    const std::int64_t elapsed = now - frameWindowStart_;
    if (elapsed < 1000) {
        ++framesInWindow_;
        if (elapsed != 0) {
            frameRate_ = framesInWindow_ * 1000 / elapsed;
        }
    } else {
        frameRate_ = framesInWindow_;
        frameWindowStart_ = now;
        framesInWindow_ = 0;
    }
}

std::string ClockText(int hour, int minute, int second, bool twentyFourHour) {
    std::string suffix;
    int shown = hour;
    if (!twentyFourHour) {
        suffix = hour >= 12 ? "pm" : "am";
        shown = hour >= 13 ? hour - 12 : hour;
    }
    auto twoDigits = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return std::to_string(shown) + ":" + twoDigits(minute) + ":" + twoDigits(second) + " " + suffix;
}

void SaverApplication::RefreshTimeText() {
    const core::LocalTime local = services_.time->Local();
    timeText_ = ClockText(local.hour, local.minute, local.second, settings_.TimeStyle);
}

void SaverApplication::SetUpView() {
    const platform::Rect& client = ClientRect();
    const float aspect =
        client.Height() > 0 ? float(client.Width()) / float(client.Height()) : 4.0f / 3.0f;
    camera_.SetPerspective(sceneParameters_.nearPlane, sceneParameters_.farPlane,
                           sceneParameters_.fieldOfView, aspect);
    tour_.ApplyView(camera_);
}

void SaverApplication::StartTour() {
    tour_.SetLoader(ArchivePathLoader(&mediaArchive_, mediaFolder));
    for (const std::string& path : tourPaths) {
        tour_.AddPath(path);
    }
    tour_.Start();
}

void SaverApplication::DrawFade() {
    const float opacity = tour_.FadeOpacity();
    if (opacity > 0.0f && fadeTexture_) {
        render::DrawScreenQuad(fadeTexture_, opacity, true, render::kScreenCentre, ClientRect());
    }
}

int SaverApplication::Run() {
    // The frame rate shows once a whole second has been counted, not a guess before it.
    overlay_.SetFrameRateText("");
    framesInWindow_ = 0;
    frameWindowStart_ = services_.clock();
    frameRateTimer_.Restart();
    keepAwakeTimer_.Restart();
    bool firstFrameDone = false;

    while (!quit_) {
        platform::Message message;
        while (!quit_ && window_ && window_->PeekMessage(message)) {
            window_->DispatchMessage(message);
        }
        if (runMode_ == RunMode::Preview) {
            // Nothing is drawn here, so the loop sleeps until the next message (or timer).
            if (!quit_ && window_) {
                window_->WaitMessage();
            }
            continue;
        }
        if (keepAwakeTimer_.Elapsed(kKeepAwakeMilliseconds)) {
            if (window_) {
                window_->SendKeepAwakeKey();
            }
            keepAwakeTimer_.Restart();
        }
        if (quit_) {
            core::Trace("2.exit\n");
            break;
        }

        UpdateFrameRate();
        if (settings_.ShowFps && frameRateTimer_.Elapsed(1000)) {
            frameRateText_ = std::to_string(frameRate_);
            overlay_.SetFrameRateText(frameRateText_);
        }
        ReadClientRect();
        if (settings_.ShowTime) {
            RefreshTimeText();
            overlay_.SetTimeText(timeText_, ClientRect().Width(), ClientRect().Height());
        }
        if (inputManager_) {
            inputManager_->Poll(0);
            inputManager_->Deliver();
        }
        PerFrameInput();

        if (IsActive() && window_ && !window_->CanBeSeen()) {
            window_->SetTimer(kUnseenTimerId, kUnseenLookMilliseconds);
            window_->WaitMessage();
            window_->KillTimer(kUnseenTimerId);
            continue;
        }
        if (IsActive()) {
            if (!firstFrameDone) {
                core::Trace("Active Frame1 start\n");
            }
            UpdateScene();
            if (!firstFrameDone) {
                core::Trace("Do Render started\n");
            }
            RenderFrame();
            ReportPresented(PresentedFrame::Scene);
            if (!firstFrameDone) {
                core::Trace("Active Frame1 end\n");
                firstFrameDone = true;
            }
        }
    }

    Shutdown();
    AfterShutdown();
    if (window_) {
        window_->Destroy();
        window_->ShowCursor(true);
    }
    core::TraceError("", "Log closed\n");
    return 1;
}

bool SaverApplication::RenderFrame() {
    tour_.Step();
    SetUpView();
    render::FrameParameters parameters;
    parameters.scene = sceneParameters_;
    parameters.camera = &camera_;
    render::FrameHooks hooks;
    hooks.renderScene = [this] { return RenderScene(); };
    hooks.drawFade = [this] { DrawFade(); };
    hooks.drawOverlay = [this] { DrawOverlay(); };
    return render::RenderDeviceFrame(*this, parameters, hooks);
}

bool SaverApplication::LoadFonts() {
    vfs::SearchPaths paths;
    text::FontStore& fonts = text::FontStore::Instance();
    const vfs::FileSource sylfaen(&mediaArchive_, core::EngineString(mediaFolder + "/sylfaen.fs"));
    if (!fonts.LoadFont(sylfaen, paths)) {
        core::ReportStartFailure("the text font inside the program is missing or damaged");
        core::Trace("Sylfaen font loading failed\n");
        core::TraceError("", "Error: Sylfaen font loading failed\n");
        return false;
    }
    const vfs::FileSource digits(&mediaArchive_, core::EngineString(mediaFolder + "/64font.fs"));
    if (!fonts.LoadFont(digits, paths)) {
        core::Trace("64th font loading failed\n");
        core::TraceError("", "Error:  font loading failed\n");
    }
    return true;
}

void SaverApplication::CreateOverlay() {
    overlay_.Create(settings_.ShowFps, settings_.ShowTime, settings_.TimeStyle, scaleFactor_);
}

void SaverApplication::ReportPresented(PresentedFrame frame) const {
    if (services_.framePresented) {
        services_.framePresented(frame);
    }
}

void SaverApplication::DrawOverlay() {
    overlay_.Draw(text::FontStore::Instance());
}

bool SaverApplication::DrawImageQuad(render::Texture* texture, float opacity, bool fullScreen,
                                     int position) {
    return loadingScreen_.DrawImageQuad(texture, opacity, fullScreen, position, ClientRect());
}

void SaverApplication::SplashFrame(render::Texture* texture, float opacity) {
    loadingScreen_.SplashFrame(texture, opacity, ClientRect());
}

platform::LRESULT SaverApplication::WindowProc(platform::WindowHandle window, std::uint32_t message,
                                               platform::WPARAM wParam, platform::LPARAM lParam) {
    switch (message) {
        case platform::WM_PAINT:
            if (runMode_ == RunMode::Preview) {
                PaintPreview();
            }
            break;
        case platform::WM_KEYDOWN:
            if (wParam != platform::VK_F2 && wParam != platform::VK_F3 &&
                wParam != platform::VK_F6) {
                quit_ = true;
            }
            break;
        case platform::WM_SYSCOMMAND:
            // The low four bits are the system's own.
            switch (wParam & 0xFFF0) {
                case platform::SC_CLOSE:
                case platform::SC_NEXTWINDOW:
                case platform::SC_PREVWINDOW:
                    quit_ = true;
                    return 1;
                case platform::SC_SCREENSAVE:
                    // No other screensaver is started while this one runs.
                    return 0;
                default:
                    break;
            }
            break;
        case platform::WM_DESTROY:
        case platform::WM_CLOSE:
        case platform::WM_QUIT:
            quit_ = true;
            return 1;
        case platform::WM_USER:
            if (window_) {
                window_->SetTimer(kPreviewTimerId, kPreviewWaitMilliseconds);
            }
            break;
        case platform::WM_TIMER:
            if (wParam == kPreviewTimerId) {
                previewWait_ = false;
                if (window_) {
                    window_->KillTimer(kPreviewTimerId);
                }
            }
            break;
        default:
            break;
    }
    return MsgProc(window, message, wParam, lParam);
}

void SaverApplication::PaintPreview() {
    if (!window_) {
        return;
    }
    if (const auto bitmap = services_.resources->Find("BITMAP", kPreviewBitmapId)) {
        window_->PaintBitmap(*bitmap);
    }
}

void SaverApplication::OnInputEvent(const input::InputEvent& event) {
    switch (event.type) {
        case input::kLeftButtonDown:
        case input::kRightButtonDown:
            quit_ = true;
            break;
        case input::kMouseMove:
            if ((event.x != event.previousX || event.y != event.previousY) && settings_.ExitOnMM &&
                startStopwatch_.ElapsedMilliseconds() > kMouseExitDelayMilliseconds) {
                quit_ = true;
            }
            break;
        default:
            break;
    }
}

SaverApplication* TheApplication() {
    if (!theApplication) {
        theApplication = new (std::nothrow) SaverApplication();
    }
    return theApplication;
}

void DestroyApplication() {
    delete theApplication;
    theApplication = nullptr;
}

}  // namespace app
