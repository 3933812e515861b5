// Application: the device host at the root of the application chain. It owns the connection to
// the graphics runtime: the enumeration of what the adapters can do, the settings chosen from it,
// the device made with them and the list of objects whose device resources follow the device
// through resets. It also keeps the window's view (client rectangle) and the *active* flag.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gfx/runtime.h"
#include "platform/window.h"
#include "render/device/device_enumeration.h"
#include "render/device/device_object.h"
#include "render/device/device_settings.h"

namespace render {

class Application {
public:
    using RuntimeFactory = std::function<gfx::Runtime*()>;

    Application();
    virtual ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Takes the window the host draws into (not owned), makes the runtime, reads the desktop
    // mode, enumerates and chooses the default full-screen and windowed settings. Any failure
    // drops the runtime and returns false.
    virtual bool Create(platform::InstanceHandle instance, platform::Window* window);

    // Chooses and applies the full-screen settings of the saver's run modes, falling back as
    // described for each; false when no device could be made.
    bool SetMode(bool useDesktop, std::uint32_t width, std::uint32_t height, std::uint32_t depth);

    // Releases the device, takes the saved full-screen (true) or windowed settings as the
    // current ones, marks the host active and makes the device.
    bool SelectSaved(bool fullscreen);
    // Keeps a completed record as the saved full-screen settings.
    void ApplySettings(const DeviceSettings& settings) { savedFullscreen_ = settings; }

    bool InitializeDevice();
    bool ResetDevice();
    // Called before every frame: false when the frame must be skipped.
    bool CheckDevice();
    bool ToggleWindowed();
    void ReleaseDevice();
    bool ForceWindowed();
    bool ForceFullscreen();

    // Objects with device resources, restored after every creation and reset and invalidated
    // before every reset and release. Not owned.
    void AddDeviceObject(DeviceObject* object);
    void RemoveDeviceObject(DeviceObject* object);
    // Restores every object (all are asked even after a failure); true when all succeeded.
    bool RestoreDeviceObjectList();
    void InvalidateDeviceObjectList();

    // The host's own handling of a window message; listeners see it first.
    virtual platform::LRESULT MsgProc(platform::WindowHandle window, std::uint32_t message,
                                      platform::WPARAM wParam, platform::LPARAM lParam);

    // Listeners are asked in the order they were added; the first that answers ends the message.
    void AddMessageListener(platform::WindowMessageListener* listener);
    void RemoveMessageListener(platform::WindowMessageListener* listener);

    // Where the runtime comes from (the platform's by default; tests hand in a fake).
    void SetRuntimeFactory(RuntimeFactory factory) { runtimeFactory_ = std::move(factory); }

    platform::InstanceHandle Instance() const { return instance_; }
    bool IsActive() const { return active_; }
    bool IsPaused() const { return paused_; }
    bool IsWindowed() const { return windowed_; }
    bool DeviceObjectsRestored() const { return deviceObjectsRestored_; }
    platform::Window* HostWindow() const { return window_; }
    platform::WindowHandle HostWindowHandle() const { return window_ ? window_->Handle() : 0; }
    // The client rectangle as last read (at Create and on every size change).
    const platform::Rect& ClientRect() const { return clientRect_; }

    gfx::Device* Device() const { return device_; }
    const DeviceEnumeration& Enumeration() const { return enumeration_; }
    const DeviceSettings& CurrentSettings() const { return settings_; }
    const DeviceSettings& SavedFullscreen() const { return savedFullscreen_; }
    const DeviceSettings& SavedWindowed() const { return savedWindowed_; }
    const gfx::D3DDISPLAYMODE& DesktopMode() const { return desktopMode_; }
    const gfx::D3DPRESENT_PARAMETERS& PresentParameters() const { return presentParameters_; }
    const gfx::D3DSURFACE_DESC& BackBufferDesc() const { return backBufferDesc_; }
    std::uint32_t BehaviourFlags() const { return behaviourFlags_; }

protected:
    void SetActive(bool active) { active_ = active; }
    void ReadClientRect();

private:
    void BuildPresentParameters();
    void ReadBackBufferDesc();
    void CheckSize();
    void DropRuntime();

    platform::InstanceHandle instance_ = 0;
    platform::Window* window_ = nullptr;
    platform::Rect clientRect_;
    RuntimeFactory runtimeFactory_;
    DeviceEnumeration enumeration_;
    gfx::Device* device_ = nullptr;
    DeviceSettings settings_;
    DeviceSettings savedFullscreen_;
    DeviceSettings savedWindowed_;
    gfx::D3DDISPLAYMODE desktopMode_{};
    gfx::D3DPRESENT_PARAMETERS presentParameters_{};
    gfx::D3DSURFACE_DESC backBufferDesc_{};
    gfx::D3DCAPS9 deviceCaps_{};
    std::uint32_t behaviourFlags_ = 0;
    // Set when the device is selected and kept from WM_ACTIVATE afterwards; frames are drawn
    // only while it is set.
    bool active_ = false;
    bool windowed_ = false;
    bool paused_ = false;
    bool deviceObjectsRestored_ = false;
    bool ignoreSizeChange_ = false;
    bool minimized_ = false;
    bool maximized_ = false;
    std::vector<DeviceObject*> deviceObjects_;
    std::vector<platform::WindowMessageListener*> listeners_;
};

}  // namespace render
