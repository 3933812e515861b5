#include "platform/linux/gl/gl_device.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/default_states.h"
#include "platform/linux/gl/gl_context.h"

namespace gfx::gl {

namespace {

bool HasDepth(const D3DPRESENT_PARAMETERS& params) {
    return params.EnableAutoDepthStencil != 0;
}

bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

int SampleCount(const D3DPRESENT_PARAMETERS& params, int maxSamples) {
    int samples = 0;
    if (params.MultiSampleType == D3DMULTISAMPLE_NONMASKABLE) {
        samples = 2 << std::min<DWORD>(params.MultiSampleQuality, 3);
    } else if (params.MultiSampleType >= 2 && params.MultiSampleType <= 16) {
        samples = static_cast<int>(params.MultiSampleType);
    }
    return std::min(samples, maxSamples);
}

}  // namespace

GlDevice* GlDevice::Create(std::shared_ptr<GlContext> context, const D3DCAPS9& caps,
                           const D3DPRESENT_PARAMETERS& params, int maxSamples) {
    auto* device = new GlDevice(std::move(context), caps, maxSamples);
    if (!device->CreateTargets(params)) {
        device->Release();
        return nullptr;
    }
    return device;
}

GlDevice::GlDevice(std::shared_ptr<GlContext> context, const D3DCAPS9& caps, int maxSamples)
    : context_(std::move(context)), caps_(caps), maxSamples_(maxSamples) {
    context_->MakeCurrent();
    glGenVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);
    glGenSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
    glGenBuffers(1, &scratchVertices_);
    glGenBuffers(1, &scratchIndices_);
    glFrontFace(GL_CW);  // D3D's front faces are clockwise on screen
    anisotropic_ = epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic");
    for (int i = 0; i < 256; ++i) {
        gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = static_cast<WORD>(i * 257);
    }
}

GlDevice::~GlDevice() {
    context_->MakeCurrent();
    for (auto& texture : textures_)
        texture.reset();
    stream_.reset();
    indices_.reset();
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
    glDeleteBuffers(1, &scratchVertices_);
    glDeleteBuffers(1, &scratchIndices_);
}

std::uint32_t GlDevice::Release() {
    const std::uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

bool GlDevice::CreateTargets(const D3DPRESENT_PARAMETERS& params) {
    params_ = params;
    int width = 0, height = 0;
    context_->DrawableSize(&width, &height);
    if (params_.BackBufferWidth == 0)
        params_.BackBufferWidth = static_cast<UINT>(std::max(width, 1));
    if (params_.BackBufferHeight == 0)
        params_.BackBufferHeight = static_cast<UINT>(std::max(height, 1));
    if (params_.BackBufferFormat == D3DFMT_UNKNOWN)
        params_.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (params_.BackBufferCount == 0)
        params_.BackBufferCount = 1;
    if (params_.BackBufferWidth > 8192 || params_.BackBufferHeight > 8192)
        return false;
    const int samples = SampleCount(params_, maxSamples_);
    if (!backBuffer_.Create(params_.BackBufferWidth, params_.BackBufferHeight,
                            params_.BackBufferFormat, params_.AutoDepthStencilFormat,
                            HasDepth(params_), samples)) {
        return false;
    }
    params_.MultiSampleType = samples > 1 ? params_.MultiSampleType : D3DMULTISAMPLE_NONE;
    backBuffer_.SetGammaRamp(gamma_);
    state_.SetDefaults(HasDepth(params_), params_.BackBufferWidth, params_.BackBufferHeight);
    for (auto& texture : textures_)
        texture.reset();
    stream_.reset();
    indices_.reset();
    layout_ = {};
    fixedStateDirty_ = true;
    keyDirty_ = true;
    samplerDirty_.fill(true);
    TouchAll();
    SetViewport(&state_.viewport);
    context_->SetImmediate(params_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE);
    return true;
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params)
        return D3DERR_INVALIDCALL;
    context_->MakeCurrent();
    context_->Resize(static_cast<int>(params->BackBufferWidth),
                     static_cast<int>(params->BackBufferHeight), params->Windowed != 0);
    inScene_ = false;
    if (!CreateTargets(*params))
        return D3DERR_INVALIDCALL;
    *params = params_;
    return S_OK;
}

HRESULT GlDevice::Present() {
    context_->MakeCurrent();
    int width = 0, height = 0;
    context_->DrawableSize(&width, &height);
    backBuffer_.PresentTo(width, height);
    context_->Swap();
    backBuffer_.BindForDrawing();
    fixedStateDirty_ = true;
    layout_ = {};
    SetViewport(&state_.viewport);
    return S_OK;
}

HRESULT GlDevice::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps)
        return D3DERR_INVALIDCALL;
    *caps = caps_;
    return S_OK;
}

HRESULT GlDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (swapChain != 0 || !mode)
        return D3DERR_INVALIDCALL;
    SDL_DisplayMode sdl{};
    const int display = std::max(0, SDL_GetWindowDisplayIndex(context_->Window()));
    if (SDL_GetDesktopDisplayMode(display, &sdl) != 0)
        return D3DERR_INVALIDCALL;
    mode->Width = static_cast<UINT>(sdl.w);
    mode->Height = static_cast<UINT>(sdl.h);
    mode->RefreshRate = static_cast<UINT>(sdl.refresh_rate);
    mode->Format = SDL_BITSPERPIXEL(sdl.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    return S_OK;
}

HRESULT GlDevice::GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) {
    if (swapChain != 0 || index != 0 || !desc)
        return D3DERR_INVALIDCALL;
    *desc = {params_.BackBufferFormat, D3DRTYPE_SURFACE,        D3DUSAGE_RENDERTARGET,
             D3DPOOL_DEFAULT,          params_.MultiSampleType, params_.MultiSampleQuality,
             params_.BackBufferWidth,  params_.BackBufferHeight};
    return S_OK;
}

void GlDevice::SetGammaRamp(UINT swapChain, DWORD, const D3DGAMMARAMP* ramp) {
    if (swapChain != 0 || !ramp)
        return;
    context_->MakeCurrent();
    gamma_ = *ramp;
    backBuffer_.SetGammaRamp(gamma_);
}

void GlDevice::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
    if (swapChain == 0 && ramp)
        *ramp = gamma_;
}

HRESULT GlDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, Texture** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight) {
        return D3DERR_INVALIDCALL;
    }
    context_->MakeCurrent();
    GlTexture* created =
        GlTexture::Create(context_, counters_, width, height, levels, usage, format, pool);
    if (!created)
        return D3DERR_INVALIDCALL;
    *texture = created;
    return S_OK;
}

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     VertexBuffer** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    // A quarter of a gigabyte is far beyond any mesh; larger requests are damaged data.
    if (length == 0 || length > (1u << 28))
        return D3DERR_INVALIDCALL;
    context_->MakeCurrent();
    *buffer = new GlVertexBuffer(context_, counters_, length, usage, fvf, pool);
    return S_OK;
}

HRESULT GlDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IndexBuffer** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > (1u << 28) ||
        (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    context_->MakeCurrent();
    *buffer = new GlIndexBuffer(context_, counters_, length, usage, format, pool);
    return S_OK;
}

HRESULT GlDevice::BeginScene() {
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return S_OK;
}

HRESULT GlDevice::EndScene() {
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return S_OK;
}

HRESULT GlDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) {
    if (count && !rects)
        return D3DERR_INVALIDCALL;
    context_->MakeCurrent();
    backBuffer_.BindForDrawing();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        mask |= GL_COLOR_BUFFER_BIT;
        glClearColor(static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                     static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(color & 0xFF) / 255.0f,
                     static_cast<float>(color >> 24) / 255.0f);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }
    if ((flags & D3DCLEAR_ZBUFFER) && HasDepth(params_)) {
        mask |= GL_DEPTH_BUFFER_BIT;
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        glDepthMask(GL_TRUE);
    }
    if ((flags & D3DCLEAR_STENCIL) && HasDepth(params_)) {
        mask |= GL_STENCIL_BUFFER_BIT;
        glClearStencil(static_cast<GLint>(stencil));
        glStencilMask(0xFFFFFFFF);
    }
    // Clearing covers the viewport, and of that only the given rectangles.
    const D3DVIEWPORT9& vp = state_.viewport;
    const auto height = static_cast<std::int32_t>(params_.BackBufferHeight);
    auto clearRect = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
        x1 = std::max(x1, static_cast<std::int32_t>(vp.X));
        y1 = std::max(y1, static_cast<std::int32_t>(vp.Y));
        x2 = std::min(x2, static_cast<std::int32_t>(vp.X + vp.Width));
        y2 = std::min(y2, static_cast<std::int32_t>(vp.Y + vp.Height));
        if (x2 <= x1 || y2 <= y1)
            return;
        glScissor(x1, height - y2, x2 - x1, y2 - y1);
        glClear(mask);
    };
    if (mask) {
        glEnable(GL_SCISSOR_TEST);
        if (count == 0) {
            clearRect(0, 0, INT32_MAX, INT32_MAX);
        } else {
            for (DWORD i = 0; i < count; ++i) {
                clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
            }
        }
        glDisable(GL_SCISSOR_TEST);
    }
    fixedStateDirty_ = true;
    return S_OK;
}

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    // A matrix set again unchanged leaves the programs' copies valid.
    auto store = [&](D3DMATRIX& slot, UniformGroup group) {
        if (SameMatrix(slot, *matrix))
            return false;
        slot = *matrix;
        Touch(group);
        return true;
    };
    if (state == D3DTS_WORLD) {
        store(state_.world, kGroupWorldView);
    } else if (state == D3DTS_VIEW) {
        if (store(state_.view, kGroupWorldView)) {
            ++viewGeneration_;
            for (LightSlot& slot : lightSlots_)
                slot.stale = true;
        }
    } else if (state == D3DTS_PROJECTION) {
        store(state_.projection, kGroupProjection);
    } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
        store(state_.textureMatrices[state - D3DTS_TEXTURE0], kGroupTexMatrix);
    } else if (state >= kTransformStateCount) {
        return D3DERR_INVALIDCALL;
    }
    return S_OK;
}

HRESULT GlDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix || state >= kTransformStateCount)
        return D3DERR_INVALIDCALL;
    if (state == D3DTS_WORLD) {
        *matrix = state_.world;
    } else if (state == D3DTS_VIEW) {
        *matrix = state_.view;
    } else if (state == D3DTS_PROJECTION) {
        *matrix = state_.projection;
    } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
        *matrix = state_.textureMatrices[state - D3DTS_TEXTURE0];
    } else {
        *matrix = IdentityMatrix();
    }
    return S_OK;
}

HRESULT GlDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport || viewport->Width == 0 || viewport->Height == 0 ||
        viewport->X + viewport->Width > params_.BackBufferWidth ||
        viewport->Y + viewport->Height > params_.BackBufferHeight ||
        !(viewport->MinZ >= 0.0f && viewport->MaxZ <= 1.0f)) {
        return D3DERR_INVALIDCALL;
    }
    if (std::memcmp(&state_.viewport, viewport, sizeof *viewport) != 0) {
        state_.viewport = *viewport;
        Touch(kGroupViewport);
    }
    context_->MakeCurrent();
    glViewport(static_cast<GLint>(viewport->X),
               static_cast<GLint>(params_.BackBufferHeight - viewport->Y - viewport->Height),
               static_cast<GLsizei>(viewport->Width), static_cast<GLsizei>(viewport->Height));
    glDepthRange(viewport->MinZ, viewport->MaxZ);
    return S_OK;
}

HRESULT GlDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    *viewport = state_.viewport;
    return S_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL9* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    if (std::memcmp(&state_.material, material, sizeof *material) != 0) {
        state_.material = *material;
        Touch(kGroupMaterial);
    }
    return S_OK;
}

HRESULT GlDevice::GetMaterial(D3DMATERIAL9* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = state_.material;
    return S_OK;
}

HRESULT GlDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light || !AcceptableLight(*light))
        return D3DERR_INVALIDCALL;
    D3DLIGHT9& slot = state_.lights[index];
    if (std::memcmp(&slot, light, sizeof *light) == 0)
        return S_OK;
    slot = *light;
    if (const int held = SlotOf(index); held >= 0)
        lightSlots_[held].stale = true;
    return S_OK;
}

HRESULT GlDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    const auto found = state_.lights.find(index);
    if (!light || found == state_.lights.end())
        return D3DERR_INVALIDCALL;
    *light = found->second;
    return S_OK;
}

HRESULT GlDevice::LightEnable(DWORD index, BOOL enable) {
    auto& on = state_.enabledLights;
    const auto at = std::lower_bound(on.begin(), on.end(), index);
    const bool enabled = at != on.end() && *at == index;
    if (enable && !enabled) {
        const std::size_t limit = std::min<std::size_t>(caps_.MaxActiveLights, kMaxActiveLights);
        if (on.size() >= limit)
            return D3DERR_INVALIDCALL;
        on.insert(at, index);
        int slot = SlotOf(index);
        if (slot < 0) {
            // A free slot, else one whose light is off.
            slot = 0;
            while (slot < static_cast<int>(kMaxActiveLights) && lightSlots_[slot].held)
                ++slot;
            if (slot == static_cast<int>(kMaxActiveLights)) {
                slot = 0;
                while (lightMask_ & (1u << slot))
                    ++slot;
            }
            lightSlots_[slot] = {};
            lightSlots_[slot].held = true;
            lightSlots_[slot].index = index;
        }
        lightMask_ |= 1u << slot;
        Touch(kGroupLightMask);
    } else if (!enable && enabled) {
        on.erase(at);
        if (const int slot = SlotOf(index); slot >= 0)
            lightMask_ &= ~(1u << slot);
        Touch(kGroupLightMask);
    }
    // An index that was never set gets D3D's default light.
    state_.lights.try_emplace(index, DefaultLight());
    return S_OK;
}

HRESULT GlDevice::GetLightEnable(DWORD index, BOOL* enable) {
    if (!enable || !state_.lights.contains(index))
        return D3DERR_INVALIDCALL;
    const auto& on = state_.enabledLights;
    *enable = std::binary_search(on.begin(), on.end(), index) ? 1 : 0;
    return S_OK;
}

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    if (state_.renderStates[state] == value)
        return S_OK;
    state_.renderStates[state] = value;
    // Values the programs read as uniforms touch their group only; states of the key choose
    // the program; the rest are OpenGL's own state.
    switch (state) {
        case D3DRS_AMBIENT:
            Touch(kGroupAmbient);
            break;
        case D3DRS_FOGSTART:
        case D3DRS_FOGEND:
        case D3DRS_FOGDENSITY:
        case D3DRS_FOGCOLOR:
            Touch(kGroupFog);
            break;
        case D3DRS_TEXTUREFACTOR:
            Touch(kGroupTFactor);
            break;
        case D3DRS_ALPHAREF:
            Touch(kGroupAlphaRef);
            break;
        default:
            if (EntersKey(state)) {
                keyDirty_ = true;
            } else {
                fixedStateDirty_ = true;
            }
            break;
    }
    return S_OK;
}

HRESULT GlDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || state >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    *value = state_.renderStates[state];
    return S_OK;
}

HRESULT GlDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kMaxTextureStages || type >= kStageStateCount)
        return D3DERR_INVALIDCALL;
    if (state_.stageStates[stage][type] != value) {
        state_.stageStates[stage][type] = value;
        keyDirty_ = true;
    }
    return S_OK;
}

HRESULT GlDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!value || stage >= kMaxTextureStages || type >= kStageStateCount) {
        return D3DERR_INVALIDCALL;
    }
    *value = state_.stageStates[stage][type];
    return S_OK;
}

HRESULT GlDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= kMaxTextureStages || type >= kSamplerStateCount)
        return D3DERR_INVALIDCALL;
    if (state_.samplerStates[sampler][type] != value) {
        state_.samplerStates[sampler][type] = value;
        samplerDirty_[sampler] = true;
    }
    return S_OK;
}

HRESULT GlDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (!value || sampler >= kMaxTextureStages || type >= kSamplerStateCount) {
        return D3DERR_INVALIDCALL;
    }
    *value = state_.samplerStates[sampler][type];
    return S_OK;
}

HRESULT GlDevice::SetTexture(DWORD stage, Texture* texture) {
    if (stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    textures_[stage] = Ref<Texture>::Share(texture);
    if (state_.textureBound[stage] != (texture != nullptr)) {
        state_.textureBound[stage] = texture != nullptr;
        keyDirty_ = true;
    }
    // Mipmapped and plain textures take different minification filters.
    const bool mipmapped = texture && static_cast<GlTexture*>(texture)->Mipmapped();
    if (mipmapped != samplerMipmapped_[stage])
        samplerDirty_[stage] = true;
    return S_OK;
}

HRESULT GlDevice::GetTexture(DWORD stage, Texture** texture) {
    if (!texture || stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    *texture = textures_[stage].get();
    if (*texture)
        (*texture)->AddRef();
    return S_OK;
}

HRESULT GlDevice::SetFVF(DWORD fvf) {
    if (state_.fvf != fvf) {
        state_.fvf = fvf;
        keyDirty_ = true;
    }
    return S_OK;
}

HRESULT GlDevice::GetFVF(DWORD* fvf) {
    if (!fvf)
        return D3DERR_INVALIDCALL;
    *fvf = state_.fvf;
    return S_OK;
}

HRESULT GlDevice::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) {
    if (stream != 0)
        return D3DERR_INVALIDCALL;
    stream_ = Ref<VertexBuffer>::Share(buffer);
    streamOffset_ = offset;
    streamStride_ = stride;
    return S_OK;
}

HRESULT GlDevice::SetIndices(IndexBuffer* buffer) {
    indices_ = Ref<IndexBuffer>::Share(buffer);
    return S_OK;
}

HRESULT GlDevice::ReadBackBuffer(std::uint32_t* argb, UINT pitch) {
    context_->MakeCurrent();
    const bool ok = backBuffer_.Read(argb, pitch);
    fixedStateDirty_ = true;
    layout_ = {};
    SetViewport(&state_.viewport);
    return ok ? S_OK : D3DERR_INVALIDCALL;
}

ProgramCacheStats CacheStatsOf(Device* device) {
    return static_cast<GlDevice*>(device)->CacheStats();
}

void ResetCacheStats(Device* device) {
    static_cast<GlDevice*>(device)->ResetCacheStats();
}

DrawCounters DrawCountersOf(Device* device) {
    return static_cast<GlDevice*>(device)->Counters();
}

void ResetDrawCounters(Device* device) {
    static_cast<GlDevice*>(device)->ResetCounters();
}

void SetUniformCaching(Device* device, bool enabled) {
    static_cast<GlDevice*>(device)->SetUniformCaching(enabled);
}

int SamplesOf(Device* device) {
    return static_cast<GlDevice*>(device)->Samples();
}

void GlDevice::TouchAll() {
    for (int group = 0; group < kUniformGroupCount; ++group)
        Touch(static_cast<UniformGroup>(group));
    lightSlots_ = {};
    lightMask_ = 0;
}

int GlDevice::SlotOf(DWORD index) const {
    for (std::size_t slot = 0; slot < lightSlots_.size(); ++slot) {
        if (lightSlots_[slot].held && lightSlots_[slot].index == index)
            return static_cast<int>(slot);
    }
    return -1;
}

HRESULT GlDevice::PrecompileProgram(DWORD fvf) {
    if (!(fvf & D3DFVF_POSITION_MASK))
        return D3DERR_INVALIDCALL;
    context_->MakeCurrent();
    return programs_.Get(BuildKey(state_, fvf)) ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::Finish() {
    context_->MakeCurrent();
    glFinish();
    return S_OK;
}

}  // namespace gfx::gl
