#include "platform/linux/gl/gl_runtime.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>

#include "core/start_failure.h"
#include "platform/linux/gl/gl_context.h"
#include "platform/linux/gl/gl_device.h"
#include "platform/linux/gl/gl_tables.h"

namespace gfx {

Runtime* CreateRuntime() {
    Runtime* runtime = gl::GlRuntime::Create();
    if (!runtime) {
        core::ReportStartFailure("the graphics driver offers no OpenGL 3.3 context");
    }
    return runtime;
}

}  // namespace gfx

namespace gfx::gl {

namespace {

D3DFORMAT FormatOfSdl(Uint32 format) {
    switch (SDL_BITSPERPIXEL(format)) {
        case 24:
        case 32:
            return D3DFMT_X8R8G8B8;
        case 16:
            return D3DFMT_R5G6B5;
        default:
            return D3DFMT_UNKNOWN;
    }
}

bool IsBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5;
}

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5;
}

bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D24S8 ||
           format == D3DFMT_D32;
}

// A hidden window with a context, long enough to ask the implementation what it offers.
bool Probe(GlInfo& info) {
    auto context = GlContext::Create(nullptr, 16, 16, true);
    if (!context)
        return false;
    context->MakeCurrent();
    info.version = static_cast<DWORD>(epoxy_gl_version() / 10) << 16 |
                   static_cast<DWORD>(epoxy_gl_version() % 10) << 8;
    info.renderer = context->Renderer();
    glGetIntegerv(GL_MAX_SAMPLES, &info.maxSamples);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info.maxTextureSize);
    info.compressedTextures = HasCompressedTextures();
    return true;
}

}  // namespace

std::vector<D3DDISPLAYMODE> DisplayModes(int display, D3DFORMAT format) {
    std::vector<D3DDISPLAYMODE> modes;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdl{};
        if (SDL_GetDisplayMode(display, i, &sdl) != 0 || FormatOfSdl(sdl.format) != format) {
            continue;
        }
        const D3DDISPLAYMODE mode{static_cast<UINT>(sdl.w), static_cast<UINT>(sdl.h),
                                  static_cast<UINT>(sdl.refresh_rate), format};
        const bool known = std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
            return m.Width == mode.Width && m.Height == mode.Height &&
                   m.RefreshRate == mode.RefreshRate;
        });
        if (!known)
            modes.push_back(mode);
    }
    return modes;
}

GlRuntime* GlRuntime::Create() {
    if (!StartVideo())
        return nullptr;
    auto* runtime = new GlRuntime;
    if (!Probe(runtime->info_) || runtime->info_.version < 0x00030300) {
        runtime->Release();
        return nullptr;
    }
    return runtime;
}

std::uint32_t GlRuntime::Release() {
    const std::uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

bool GlRuntime::OffersMultisampling() const {
    return info_.maxSamples >= 2 && !IsSoftwareRenderer(info_.renderer);
}

bool GlRuntime::ValidAdapter(UINT adapter, D3DDEVTYPE type) const {
    return type == D3DDEVTYPE_HAL && static_cast<int>(adapter) < SDL_GetNumVideoDisplays();
}

UINT GlRuntime::GetAdapterCount() {
    return static_cast<UINT>(std::max(0, SDL_GetNumVideoDisplays()));
}

HRESULT GlRuntime::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* identifier) {
    if (!identifier || static_cast<int>(adapter) >= SDL_GetNumVideoDisplays()) {
        return D3DERR_INVALIDCALL;
    }
    *identifier = {};
    std::snprintf(identifier->Driver, sizeof identifier->Driver, "OpenGL");
    std::snprintf(identifier->Description, sizeof identifier->Description, "%s",
                  info_.renderer.c_str());
    const char* name = SDL_GetDisplayName(static_cast<int>(adapter));
    std::snprintf(identifier->DeviceName, sizeof identifier->DeviceName, "%s",
                  name ? name : "display");
    identifier->DriverVersion = info_.version;
    identifier->DeviceIdentifier[0] = static_cast<std::uint8_t>(adapter);
    return S_OK;
}

UINT GlRuntime::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    if (static_cast<int>(adapter) >= SDL_GetNumVideoDisplays())
        return 0;
    return static_cast<UINT>(DisplayModes(static_cast<int>(adapter), format).size());
}

HRESULT GlRuntime::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                    D3DDISPLAYMODE* displayMode) {
    if (!displayMode || static_cast<int>(adapter) >= SDL_GetNumVideoDisplays()) {
        return D3DERR_INVALIDCALL;
    }
    const auto modes = DisplayModes(static_cast<int>(adapter), format);
    if (mode >= modes.size())
        return D3DERR_INVALIDCALL;
    *displayMode = modes[mode];
    return S_OK;
}

HRESULT GlRuntime::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    SDL_DisplayMode sdl{};
    if (!mode || static_cast<int>(adapter) >= SDL_GetNumVideoDisplays() ||
        SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &sdl) != 0) {
        return D3DERR_INVALIDCALL;
    }
    const D3DFORMAT format = FormatOfSdl(sdl.format);
    *mode = {static_cast<UINT>(sdl.w), static_cast<UINT>(sdl.h),
             static_cast<UINT>(sdl.refresh_rate),
             format != D3DFMT_UNKNOWN ? format : D3DFMT_X8R8G8B8};
    return S_OK;
}

HRESULT GlRuntime::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (!caps)
        return D3DERR_INVALIDCALL;
    if (!ValidAdapter(adapter, type))
        return D3DERR_NOTAVAILABLE;
    *caps = {};
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION |
                    D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_TEXTUREVIDEOMEMORY;
    const auto size = static_cast<DWORD>(std::min(info_.maxTextureSize, 8192));
    caps->MaxTextureWidth = caps->MaxTextureHeight = size;
    caps->MaxAnisotropy = 16;
    caps->MaxTextureBlendStages = kMaxTextureStages;
    caps->MaxSimultaneousTextures = kMaxTextureStages;
    caps->MaxActiveLights = kMaxActiveLights;
    caps->MaxPrimitiveCount = 0xFFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = 255;
    caps->FVFCaps = 8;  // texture-coordinate sets
    return S_OK;
}

HRESULT GlRuntime::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                   D3DFORMAT backBufferFormat, BOOL windowed) {
    if (!ValidAdapter(adapter, type))
        return D3DERR_NOTAVAILABLE;
    if (!IsDisplayFormat(adapterFormat) || !IsBackBufferFormat(backBufferFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (windowed)
        return S_OK;
    // Full screen: the back buffer has the display's format (or adds alpha to it).
    const bool matches = backBufferFormat == adapterFormat ||
                         (adapterFormat == D3DFMT_X8R8G8B8 && backBufferFormat == D3DFMT_A8R8G8B8);
    return matches ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlRuntime::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                     DWORD usage, D3DRESOURCETYPE resourceType,
                                     D3DFORMAT checkFormat) {
    if (!ValidAdapter(adapter, type) || !IsDisplayFormat(adapterFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (usage & D3DUSAGE_DEPTHSTENCIL) {
        return IsDepthFormat(checkFormat) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    if (usage & D3DUSAGE_RENDERTARGET) {
        return IsBackBufferFormat(checkFormat) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    if (resourceType == D3DRTYPE_TEXTURE || resourceType == D3DRTYPE_SURFACE) {
        const bool compressed =
            checkFormat == D3DFMT_DXT1 || checkFormat == D3DFMT_DXT3 || checkFormat == D3DFMT_DXT5;
        if (compressed && !info_.compressedTextures)
            return D3DERR_NOTAVAILABLE;
        switch (checkFormat) {
            case D3DFMT_A8R8G8B8:
            case D3DFMT_X8R8G8B8:
            case D3DFMT_R8G8B8:
            case D3DFMT_R5G6B5:
            case D3DFMT_A1R5G5B5:
            case D3DFMT_X1R5G5B5:
            case D3DFMT_A4R4G4B4:
            case D3DFMT_X4R4G4B4:
            case D3DFMT_A8:
            case D3DFMT_L8:
            case D3DFMT_A8L8:
            case D3DFMT_DXT1:
            case D3DFMT_DXT3:
            case D3DFMT_DXT5:
                return S_OK;
            default:
                return D3DERR_NOTAVAILABLE;
        }
    }
    return D3DERR_NOTAVAILABLE;
}

HRESULT GlRuntime::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                          D3DFORMAT renderTargetFormat,
                                          D3DFORMAT depthStencilFormat) {
    if (!ValidAdapter(adapter, type) || !IsDisplayFormat(adapterFormat) ||
        !IsBackBufferFormat(renderTargetFormat) || !IsDepthFormat(depthStencilFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    return S_OK;
}

HRESULT GlRuntime::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type,
                                              D3DFORMAT surfaceFormat, BOOL,
                                              D3DMULTISAMPLE_TYPE multiSampleType,
                                              DWORD* qualityLevels) {
    if (!ValidAdapter(adapter, type))
        return D3DERR_NOTAVAILABLE;
    if (!IsBackBufferFormat(surfaceFormat) && !IsDepthFormat(surfaceFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    DWORD levels = 0;
    if (multiSampleType == D3DMULTISAMPLE_NONE) {
        levels = 1;
    } else if (OffersMultisampling()) {
        if (multiSampleType == D3DMULTISAMPLE_NONMASKABLE) {
            // Quality q stands for 2 << q samples.
            for (int samples = 2; samples <= info_.maxSamples && levels < 4; samples *= 2)
                ++levels;
        } else if (multiSampleType <= 16 && static_cast<int>(multiSampleType) <= info_.maxSamples) {
            levels = 1;
        }
    }
    if (levels == 0)
        return D3DERR_NOTAVAILABLE;
    if (qualityLevels)
        *qualityLevels = levels;
    return S_OK;
}

HRESULT GlRuntime::CreateDevice(UINT adapter, D3DDEVTYPE type, platform::WindowHandle focusWindow,
                                DWORD, D3DPRESENT_PARAMETERS* params, Device** device) {
    if (!params || !device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    D3DCAPS9 caps;
    if (Failed(GetDeviceCaps(adapter, type, &caps)))
        return D3DERR_NOTAVAILABLE;
    const platform::WindowHandle handle =
        params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
    // A window handle of an SDL window is its SDL window id.
    SDL_Window* window = handle ? SDL_GetWindowFromID(static_cast<Uint32>(handle)) : nullptr;
    if (handle && !window)
        return D3DERR_INVALIDCALL;
    auto context =
        GlContext::Create(window, static_cast<int>(params->BackBufferWidth),
                          static_cast<int>(params->BackBufferHeight), params->Windowed != 0);
    if (!context) {
        core::ReportStartFailure("cannot make an OpenGL 3.3 context on the window: " +
                                 std::string(SDL_GetError()));
        return D3DERR_NOTAVAILABLE;
    }
    GlDevice* created = GlDevice::Create(context, caps, *params, info_.maxSamples);
    if (!created)
        return D3DERR_OUTOFVIDEOMEMORY;
    *device = created;
    return S_OK;
}

}  // namespace gfx::gl
