// SaverApplication: the shell of the screensaver. It makes the saver window for the run mode,
// starts the device host and the input, runs the main loop and decides when the saver ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/camera_tour.h"
#include "app/command_line.h"
#include "app/config_dialog.h"
#include "app/default_settings.h"
#include "app/loading_screen.h"
#include "app/saver_settings.h"
#include "app/text_table.h"
#include "core/interval_timer.h"
#include "core/time_source.h"
#include "input/input_listener.h"
#include "input/input_manager.h"
#include "platform/dialog.h"
#include "platform/file_chooser.h"
#include "platform/gfx/d3d_types.h"
#include "platform/input_devices.h"
#include "platform/message_box.h"
#include "platform/open_url.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "render/host/application.h"
#include "render/host/frame_renderer.h"
#include "render/math/camera.h"
#include "render/math/matrix.h"
#include "text/time_overlay.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/search_paths.h"

namespace udf {
class PropNode;
}

namespace app {

inline constexpr std::uint32_t kPreviewBitmapId = 173;
inline constexpr std::uint32_t kMediaArchiveId = 147;  // MEMFILE resource of the media archive
inline constexpr std::uintptr_t kPreviewTimerId = 1;
inline constexpr std::uint32_t kPreviewWaitMilliseconds = 500;
inline constexpr std::int64_t kKeepAwakeMilliseconds = 30000;
// The screen width above which the overlays grow no more.
inline constexpr int kWidestOverlayScreen = 1920;
// While nobody could see the picture, the loop draws nothing and looks again this often.
inline constexpr std::uintptr_t kUnseenTimerId = 2;
inline constexpr std::uint32_t kUnseenLookMilliseconds = 250;
inline constexpr std::int64_t kMouseExitDelayMilliseconds = 1000;

// The frames the shell presents: the loading picture once, then every frame of the scene.
enum class PresentedFrame { Loading, Scene };

// What the shell takes from the platform; tests hand in fakes.
struct SaverServices {
    platform::WindowFactory windowFactory = &platform::CreateNativeWindow;
    const platform::Resources* resources = &platform::Resources::Module();
    platform::Registry* registry = &platform::Registry::CurrentUser();
    platform::MessageBox* messageBox = &platform::MessageBox::System();
    platform::Dialogs* dialogs = &platform::Dialogs::System();
    platform::UrlOpener* urlOpener = &platform::UrlOpener::System();
    platform::FileChooser* fileChooser = &platform::FileChooser::System();
    // Made when the input manager starts; null gives a manager without devices.
    std::function<std::unique_ptr<platform::InputDevices>()> inputDevices =
        &platform::CreateInputDevices;
    core::IntervalTimer::Clock clock = &core::NowMilliseconds;
    // Where the device host takes its graphics runtime from; empty keeps the platform's.
    render::Application::RuntimeFactory runtime;
    // The local time the hands and the clock text show.
    const core::TimeSource* time = &core::SystemTime();
    // Told right after each frame is presented; the benchmark times the start and the frames
    // with it. Empty tells nobody.
    std::function<void(PresentedFrame)> framePresented;
};

class SaverApplication : public render::Application, public input::InputListener {
public:
    SaverApplication();
    explicit SaverApplication(SaverServices services);

    // The scene's hooks and the shell's overridable steps, in the order the chain defines them.
    virtual platform::LRESULT WindowProc(platform::WindowHandle window, std::uint32_t message,
                                         platform::WPARAM wParam, platform::LPARAM lParam);
    ~SaverApplication() override;
    virtual void ApplyGamma();
    virtual bool RestoreDeviceObjects();
    virtual bool UpdateScene() { return true; }
    virtual bool RenderScene() { return true; }
    virtual bool LoadCustom() { return true; }
    virtual void LoadCustomProps(const udf::PropNode&) {}
    virtual bool ConfigDialogProc(platform::DialogWindow& dialog, std::uint32_t message,
                                  platform::WPARAM wParam, platform::LPARAM lParam);
    virtual void Shutdown() {}
    virtual void PerFrameInput() {}
    virtual void AfterShutdown() {}
    virtual bool ReadSettings();
    virtual bool WriteSettings();

    bool Create(platform::InstanceHandle instance, RunMode mode, std::uint32_t windowArgument);
    // The saver shows its frame rate whatever the settings say (a daemon asked for it); the
    // stored settings keep their own.
    void ShowFrameRateAlways() { frameRateForced_ = true; }
    int Run();
    bool RenderFrame();
    // One picture as a screen quad (position 0 centre or full screen, 1 .. 4 the corners).
    bool DrawImageQuad(render::Texture* texture, float opacity, bool fullScreen, int position);
    // Black with the picture over everything at `opacity`, presented.
    void SplashFrame(render::Texture* texture, float opacity);
    const LoadingScreen& Loading() const { return loadingScreen_; }

    // Reads the media folder's "Scene.props" into the drawing parameters and the tour list,
    // then hands the tree to LoadCustomProps. False (defaults kept) when there is none.
    bool LoadSceneProps();
    // Mounts the media archive: resource MEMFILE 147 of the services, or of the executable when
    // they have none.
    void MountMedia();
    // A file of the media folder in the mounted archive, `name` starting with "/".
    vfs::FileSource MediaFile(std::string_view name);
    // The mounted archive as a place to look names up in.
    vfs::SearchPaths MediaPaths();
    const core::TimeSource& Time() const { return *services_.time; }
    const SaverServices& Services() const { return services_; }
    render::Camera& ViewCamera() { return camera_; }
    CameraTour& Tour() { return tour_; }

    void OnInputEvent(const input::InputEvent& event) override;

    // The window procedure handed to the platform: the one application's WindowProc, or 1 while
    // there is none.
    static platform::LRESULT ForwardWindowProc(platform::WindowHandle window, std::uint32_t message,
                                               platform::WPARAM wParam, platform::LPARAM lParam);

    RunMode Mode() const { return runMode_; }
    std::uint32_t WindowArgument() const { return windowArgument_; }
    platform::Window* SaverWindow() const { return window_.get(); }
    SaverSettings& Settings() { return settings_; }
    const TextTable& Texts() const { return textTable_; }
    const DefaultSettings& Defaults() const { return defaults_; }
    input::InputManager* Input() const { return inputManager_.get(); }
    bool Quit() const { return quit_; }
    bool PreviewWait() const { return previewWait_; }
    std::int64_t FrameRate() const { return frameRate_; }
    const std::string& FrameRateText() const { return frameRateText_; }
    const std::string& TimeText() const { return timeText_; }
    const text::TimeOverlay& Overlay() const { return overlay_; }
    vfs::RarArchive& MediaArchive() { return mediaArchive_; }
    const gfx::D3DGAMMARAMP& GammaRamp() const { return gammaRamp_; }
    // Client width / 1024, fixed once the device is set up; it sizes the overlay texts.
    double ScaleFactor() const { return scaleFactor_; }

    // The drawing parameters "Scene.props" sets; the scene may change them.
    render::SceneParameters& Parameters() { return sceneParameters_; }
    const render::SceneParameters& Parameters() const { return sceneParameters_; }
    float camSpeed = 1.0f;
    // Camera path files for the tour, in the order the scene properties list them.
    std::vector<std::string> tourPaths;
    const std::string mediaFolder = "Media";

protected:
    void SetQuit() { quit_ = true; }

private:
    bool CreateSaverWindow();
    void RunConfigDialog();
    void WaitInPreview();
    void StartInput();
    void PaintPreview();
    void UpdateFrameRate();
    void RefreshTimeText();
    void SetUpView();
    void StartTour();
    void DrawFade();
    bool LoadFonts();
    void CreateOverlay();
    void DrawOverlay();
    void ReportPresented(PresentedFrame frame) const;

    SaverServices services_;
    DefaultSettings defaults_;
    TextTable textTable_;
    SaverSettings settings_;
    ConfigDialogState configDialog_;

    platform::InstanceHandle instance_ = 0;
    RunMode runMode_ = RunMode::Configure;
    std::uint32_t windowArgument_ = 0;
    std::unique_ptr<platform::Window> window_;

    bool quit_ = false;
    bool previewWait_ = false;
    bool frameRateForced_ = false;

    std::unique_ptr<platform::InputDevices> inputDevices_;
    std::unique_ptr<input::InputManager> inputManager_;

    core::IntervalTimer startStopwatch_;
    core::IntervalTimer frameRateTimer_;
    core::IntervalTimer keepAwakeTimer_;
    std::int64_t frameWindowStart_ = 0;
    std::int64_t framesInWindow_ = 0;
    std::int64_t frameRate_ = 0;
    std::string frameRateText_;
    std::string timeText_;
    gfx::D3DGAMMARAMP gammaRamp_{};
    LoadingScreen loadingScreen_;
    text::TimeOverlay overlay_;
    double scaleFactor_ = 1.0;
    vfs::RarArchive mediaArchive_;
    render::SceneParameters sceneParameters_;
    render::Camera camera_;
    CameraTour tour_;
    // Black, drawn over the scene with the tour's fade opacity.
    render::Texture* fadeTexture_ = nullptr;
};

// Keeps a frame drawable whatever the scene properties said: a field of view within 1 .. 179
// degrees, a near plane above 0 and a far plane beyond it.
void KeepDrawable(float& nearPlane, float& farPlane, float& fieldOfView);

// The desktop display mode of adapter 0 as the saver found it at start-up (zero before that); the
// configuration dialog offers it too.
const gfx::D3DDISPLAYMODE& DesktopDisplayMode();

// Entry i of the gamma ramp for a `Gamma` setting: gamma * 200 + i * 256, within 0 .. 65535.
std::uint16_t GammaRampEntry(std::int32_t gamma, int i);

// The clock text: "H:MM:SS " and, in the 12-hour style, "am" or "pm".
std::string ClockText(int hour, int minute, int second, bool twentyFourHour);

// The one application of the process, made on the first call (null when it can't be made).
SaverApplication* TheApplication();
// Destroys it, if it exists.
void DestroyApplication();

}  // namespace app
