#include "render/host/application.h"

#include <algorithm>
#include <string>

#include "core/trace.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/textures/texture_manager.h"

namespace render {
namespace {

using namespace gfx;

// Window messages and codes only the device host looks at.
constexpr std::uint32_t WM_NCHITTEST = 0x0084;
constexpr std::uint32_t WM_POWERBROADCAST = 0x0218;
constexpr platform::LRESULT HTCLIENT = 1;
constexpr platform::WPARAM PBT_APMQUERYSUSPEND = 0x0000;
constexpr platform::WPARAM PBT_APMRESUMESUSPEND = 0x0007;
constexpr platform::WPARAM SIZE_RESTORED = 0;
constexpr platform::WPARAM SIZE_MINIMIZED = 1;
constexpr platform::WPARAM SIZE_MAXIMIZED = 2;

constexpr std::uint32_t kDesktopWindowedWidth = 800;
constexpr std::uint32_t kDesktopWindowedHeight = 600;

DWORD BehaviourFlagsFor(std::uint32_t vertexProcessing) {
    switch (vertexProcessing) {
        case MIXED_VP:
            return D3DCREATE_MIXED_VERTEXPROCESSING;
        case HARDWARE_VP:
            return D3DCREATE_HARDWARE_VERTEXPROCESSING;
        case PURE_HARDWARE_VP:
            return D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
        default:
            return D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    }
}

void TraceModeDescription(const DeviceSettings& settings) {
    core::Trace("MODEDESC:\n");
    if (settings.multiSampleType == D3DMULTISAMPLE_2_SAMPLES) {
        core::Trace("2Samples, quality: " + std::to_string(settings.multiSampleQuality) + "\n");
    } else {
        core::Trace("NoSampling\n");
    }
}

}  // namespace

Application::Application() : runtimeFactory_(&gfx::CreateRuntime) {
    // Every texture follows the device through resets.
    AddDeviceObject(&TextureManager::Instance());
}

Application::~Application() {
    ReleaseDevice();
    DropRuntime();
}

void Application::DropRuntime() {
    enumeration_.SetRuntime(nullptr);
}

bool Application::Create(platform::InstanceHandle instance, platform::Window* window) {
    instance_ = instance;
    window_ = window;
    if (!window_) {
        return false;
    }
    ReadClientRect();

    gfx::Runtime* runtime = runtimeFactory_ ? runtimeFactory_() : nullptr;
    if (!runtime) {
        return false;
    }
    enumeration_.SetRuntime(runtime);
    runtime->Release();

    desktopMode_ = {};
    if (Failed(runtime->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktopMode_)) ||
        !enumeration_.Enumerate()) {
        DropRuntime();
        return false;
    }

    DeviceSettings fullscreen;
    fullscreen.windowed = false;
    DeviceSettings windowed;
    windowed.windowed = true;
    if (!enumeration_.FindBestMode(fullscreen) || !enumeration_.FindBestMode(windowed)) {
        DropRuntime();
        return false;
    }
    savedFullscreen_ = fullscreen;
    savedWindowed_ = windowed;
    settings_ = fullscreen;
    return true;
}

bool Application::SetMode(bool useDesktop, std::uint32_t width, std::uint32_t height,
                          std::uint32_t depth) {
    DeviceSettings first;
    first.windowed = false;
    first.multiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    first.multiSampleQuality = 0;
    if (useDesktop) {
        first.flags = kMatchMultiSample;
    } else {
        first.flags = kMatchSize | kMatchBackBufferDepth | kMatchMultiSample;
        first.width = width;
        first.height = height;
        first.backBufferFormat = depth == 16 ? D3DFMT_X1R5G5B5 : D3DFMT_X8R8G8B8;
    }
    DeviceSettings second = first;
    second.flags &= ~kMatchMultiSample;

    DeviceSettings request = first;
    if (enumeration_.FindBestMode(request)) {
        ApplySettings(request);
    } else if (useDesktop) {
        request = first;
        request.flags = kMatchSize | kMatchMultiSample;
        request.windowed = true;
        request.width = kDesktopWindowedWidth;
        request.height = kDesktopWindowedHeight;
        if (enumeration_.FindBestMode(request)) {
            ApplySettings(request);
        }
    }
    if (SelectSaved(true)) {
        TraceModeDescription(settings_);
        return true;
    }
    core::Trace("Setting Mode failed\n");

    request = second;
    if (enumeration_.FindBestMode(request)) {
        ApplySettings(request);
    }
    if (SelectSaved(true)) {
        TraceModeDescription(settings_);
        return true;
    }
    core::Trace("Failed setting mode\n");
    core::Trace("Setting Mode failed...exiting\n");
    return false;
}

bool Application::SelectSaved(bool fullscreen) {
    ReleaseDevice();
    settings_ = fullscreen ? savedFullscreen_ : savedWindowed_;
    active_ = true;
    paused_ = false;
    return InitializeDevice();
}

void Application::BuildPresentParameters() {
    presentParameters_ = {};
    presentParameters_.BackBufferCount = 1;
    presentParameters_.MultiSampleType = settings_.multiSampleType;
    presentParameters_.MultiSampleQuality = settings_.multiSampleQuality;
    presentParameters_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParameters_.hDeviceWindow = HostWindowHandle();
    presentParameters_.Windowed = settings_.windowed;
    presentParameters_.EnableAutoDepthStencil = 1;
    presentParameters_.AutoDepthStencilFormat = settings_.depthStencilFormat;
    presentParameters_.Flags = D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;
    presentParameters_.PresentationInterval = settings_.presentInterval;
    presentParameters_.BackBufferFormat = settings_.backBufferFormat;
    const bool followWindow =
        settings_.windowed || (window_ && window_->DrawsFullScreenAtClientSize());
    if (followWindow) {
        presentParameters_.BackBufferWidth = UINT(std::max(0, clientRect_.Width()));
        presentParameters_.BackBufferHeight = UINT(std::max(0, clientRect_.Height()));
        presentParameters_.FullScreen_RefreshRateInHz =
            settings_.windowed ? 0 : settings_.refreshRate;
    } else {
        presentParameters_.BackBufferWidth = settings_.width;
        presentParameters_.BackBufferHeight = settings_.height;
        presentParameters_.FullScreen_RefreshRateInHz = settings_.refreshRate;
    }
}

void Application::ReadBackBufferDesc() {
    backBufferDesc_ = {};
    if (device_) {
        device_->GetBackBufferDesc(0, 0, &backBufferDesc_);
    }
}

bool Application::InitializeDevice() {
    gfx::Runtime* runtime = enumeration_.Runtime();
    if (!runtime) {
        return false;
    }
    windowed_ = settings_.windowed;
    BuildPresentParameters();
    const DWORD behaviour = BehaviourFlagsFor(settings_.vertexProcessing);
    gfx::Device* created = nullptr;
    if (Failed(runtime->CreateDevice(settings_.adapter, settings_.deviceType, HostWindowHandle(),
                                     behaviour, &presentParameters_, &created)) ||
        !created) {
        return false;
    }
    device_ = created;
    SetCurrentDevice(device_);
    DeviceStateCache().InvalidateCache();
    device_->GetDeviceCaps(&deviceCaps_);
    behaviourFlags_ = behaviour;
    ReadBackBufferDesc();
    // The device stands even when an object fails to come back; that object stays without its
    // resources.
    if (RestoreDeviceObjectList()) {
        deviceObjectsRestored_ = true;
    } else {
        InvalidateDeviceObjectList();
    }
    return true;
}

bool Application::ResetDevice() {
    if (!device_) {
        return false;
    }
    if (deviceObjectsRestored_) {
        InvalidateDeviceObjectList();
        deviceObjectsRestored_ = false;
    }
    if (Failed(device_->Reset(&presentParameters_))) {
        return false;
    }
    DeviceStateCache().InvalidateCache();
    ReadBackBufferDesc();
    if (RestoreDeviceObjectList()) {
        deviceObjectsRestored_ = true;
        return true;
    }
    InvalidateDeviceObjectList();
    return false;
}

bool Application::CheckDevice() {
    if (!device_) {
        return false;
    }
    if (device_->TestCooperativeLevel() != D3DERR_DEVICENOTRESET) {
        return true;
    }
    if (windowed_) {
        D3DDISPLAYMODE mode{};
        if (gfx::Runtime* runtime = enumeration_.Runtime();
            runtime && Succeeded(runtime->GetAdapterDisplayMode(settings_.adapter, &mode))) {
            settings_.width = mode.Width;
            settings_.height = mode.Height;
            settings_.refreshRate = mode.RefreshRate;
            settings_.displayFormat = mode.Format;
            presentParameters_.BackBufferFormat = mode.Format;
        }
    }
    return ResetDevice();
}

bool Application::ToggleWindowed() {
    const std::uint32_t adapter = settings_.adapter;
    const D3DDEVTYPE type = settings_.deviceType;
    ignoreSizeChange_ = true;
    if (settings_.windowed) {
        savedWindowed_ = settings_;
        settings_ = savedFullscreen_;
    } else {
        savedFullscreen_ = settings_;
        settings_ = savedWindowed_;
    }
    bool ok;
    if (device_ && adapter == settings_.adapter && type == settings_.deviceType) {
        windowed_ = settings_.windowed;
        BuildPresentParameters();
        ok = ResetDevice();
    } else {
        ReleaseDevice();
        ok = InitializeDevice();
    }
    ignoreSizeChange_ = false;
    if (!ok) {
        // Back to full screen once; a failure there ends in the windowed state.
        return settings_.windowed ? false : ToggleWindowed();
    }
    return true;
}

bool Application::ForceWindowed() {
    return windowed_ ? true : ToggleWindowed();
}

bool Application::ForceFullscreen() {
    return windowed_ ? ToggleWindowed() : true;
}

void Application::ReleaseDevice() {
    if (deviceObjectsRestored_) {
        InvalidateDeviceObjectList();
        deviceObjectsRestored_ = false;
    }
    if (device_) {
        if (CurrentDevice() == device_) {
            SetCurrentDevice(nullptr);
        }
        device_->Release();
        device_ = nullptr;
    }
}

void Application::AddDeviceObject(DeviceObject* object) {
    if (object &&
        std::find(deviceObjects_.begin(), deviceObjects_.end(), object) == deviceObjects_.end()) {
        deviceObjects_.push_back(object);
    }
}

void Application::RemoveDeviceObject(DeviceObject* object) {
    std::erase(deviceObjects_, object);
}

bool Application::RestoreDeviceObjectList() {
    bool ok = true;
    for (DeviceObject* object : deviceObjects_) {
        ok = object->RestoreDeviceObjects() && ok;
    }
    return ok;
}

void Application::InvalidateDeviceObjectList() {
    for (DeviceObject* object : deviceObjects_) {
        object->InvalidateDeviceObjects();
    }
}

void Application::ReadClientRect() {
    if (window_) {
        clientRect_ = window_->ClientRect();
    }
}

void Application::CheckSize() {
    if (ignoreSizeChange_) {
        return;
    }
    // The client rectangle may have been read already since the size changed: the back buffer's
    // size is what tells whether a reset is due.
    ReadClientRect();
    const D3DPRESENT_PARAMETERS before = presentParameters_;
    BuildPresentParameters();
    // A full-screen back buffer keeps the display mode's size; only a changed buffer needs a reset.
    if (device_ && (before.BackBufferWidth != presentParameters_.BackBufferWidth ||
                    before.BackBufferHeight != presentParameters_.BackBufferHeight)) {
        ResetDevice();
    }
}

platform::LRESULT Application::MsgProc(platform::WindowHandle window, std::uint32_t message,
                                       platform::WPARAM wParam, platform::LPARAM lParam) {
    // A copy: a listener may remove itself while it is called.
    const auto listeners = listeners_;
    for (auto* listener : listeners) {
        platform::LRESULT result = 0;
        if (listener->OnWindowMessage(window, message, wParam, lParam, result)) {
            return result;
        }
    }

    switch (message) {
        case platform::WM_ACTIVATE:
            active_ = platform::LoWord(wParam) != 0;
            break;
        case platform::WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                paused_ = true;
                minimized_ = true;
                maximized_ = false;
            } else if (wParam == SIZE_MAXIMIZED) {
                if (minimized_) {
                    paused_ = false;
                }
                minimized_ = false;
                maximized_ = true;
                CheckSize();
            } else if (wParam == SIZE_RESTORED) {
                if (maximized_) {
                    maximized_ = false;
                } else if (minimized_) {
                    paused_ = false;
                    minimized_ = false;
                }
                CheckSize();
            }
            break;
        case platform::WM_ENTERSIZEMOVE:
            paused_ = true;
            break;
        case platform::WM_EXITSIZEMOVE:
            paused_ = false;
            CheckSize();
            break;
        case platform::WM_CLOSE:
            // Nothing is drawn once the window is closing; the message loop ends on WM_QUIT.
            active_ = false;
            ReleaseDevice();
            if (window_) {
                window_->PostQuitMessage(0);
            }
            return 0;
        case platform::WM_SYSCOMMAND:
            if (!windowed_) {
                switch (wParam & 0xFFF0) {
                    case platform::SC_SIZE:
                    case platform::SC_MOVE:
                    case platform::SC_MAXIMIZE:
                    case platform::SC_KEYMENU:
                    case platform::SC_MONITORPOWER:
                        return 1;
                    default:
                        break;
                }
            }
            break;
        case WM_NCHITTEST:
            if (!windowed_) {
                return HTCLIENT;
            }
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND) {
                return 1;
            }
            break;
        default:
            break;
    }
    return 0;
}

void Application::AddMessageListener(platform::WindowMessageListener* listener) {
    if (listener) {
        listeners_.push_back(listener);
    }
}

void Application::RemoveMessageListener(platform::WindowMessageListener* listener) {
    std::erase(listeners_, listener);
}

}  // namespace render
