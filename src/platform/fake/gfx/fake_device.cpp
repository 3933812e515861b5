#include "platform/fake/gfx/fake_device.h"

#include <cstdio>
#include <cstring>

#include "platform/gfx/default_states.h"

namespace gfx::fake {

namespace {

std::string Format(const char* format, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string Colour(const D3DCOLORVALUE& c) {
    return Format("%g %g %g %g", c.r, c.g, c.b, c.a);
}

std::string Matrix(const D3DMATRIX& m) {
    std::string text = "[";
    for (int i = 0; i < 16; ++i) {
        text += Format(i ? " %g" : "%g", m.m[i / 4][i % 4]);
    }
    return text + "]";
}

UINT BytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_P8:
        case D3DFMT_R3G3B2:
            return 1;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8:
        case D3DFMT_L16:
            return 2;
        case D3DFMT_R8G8B8:
            return 3;
        default:
            return 4;
    }
}

bool IsCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

// Every resource carries the name the log shows for it.
class Named {
public:
    virtual ~Named() = default;
    std::string name;
};

int nextTexture = 0;
int nextVertexBuffer = 0;
int nextIndexBuffer = 0;

template <typename Base>
class Counted : public Base, public Named {
public:
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::uint32_t refs_ = 1;
};

class FakeTexture final : public Counted<Texture> {
public:
    FakeTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : format_(format), usage_(usage), pool_(pool) {
        UINT w = width ? width : 1, h = height ? height : 1;
        while (true) {
            Level level{w, h, {}};
            level.pitch = Pitch(w);
            level.bytes.resize(static_cast<std::size_t>(level.pitch) * Rows(h));
            levels_.push_back(std::move(level));
            if ((levels && levels_.size() >= levels) || (w == 1 && h == 1))
                break;
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
    }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
        if (level >= levels_.size() || !desc)
            return D3DERR_INVALIDCALL;
        *desc = {format_,
                 D3DRTYPE_SURFACE,
                 usage_,
                 pool_,
                 0,
                 0,
                 levels_[level].width,
                 levels_[level].height};
        return S_OK;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) override {
        if (level >= levels_.size() || !locked)
            return D3DERR_INVALIDCALL;
        Level& l = levels_[level];
        std::size_t offset = 0;
        if (rect) {
            if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<int>(l.width) ||
                rect->bottom > static_cast<int>(l.height) || rect->left >= rect->right ||
                rect->top >= rect->bottom) {
                return D3DERR_INVALIDCALL;
            }
            const bool blocks = IsCompressed(format_);
            const std::size_t row = blocks ? rect->top / 4 : rect->top;
            const std::size_t column = blocks ? rect->left / 4 * (format_ == D3DFMT_DXT1 ? 8 : 16)
                                              : rect->left * BytesPerPixel(format_);
            offset = row * l.pitch + column;
        }
        locked->Pitch = static_cast<std::int32_t>(l.pitch);
        locked->pBits = l.bytes.data() + offset;
        return S_OK;
    }
    HRESULT UnlockRect(UINT level) override {
        return level < levels_.size() ? S_OK : D3DERR_INVALIDCALL;
    }

private:
    struct Level {
        UINT width, height;
        std::vector<std::uint8_t> bytes;
        UINT pitch = 0;
    };
    UINT Pitch(UINT w) const {
        if (IsCompressed(format_))
            return (w + 3) / 4 * (format_ == D3DFMT_DXT1 ? 8 : 16);
        return w * BytesPerPixel(format_);
    }
    UINT Rows(UINT h) const { return IsCompressed(format_) ? (h + 3) / 4 : h; }

    D3DFORMAT format_;
    DWORD usage_;
    D3DPOOL pool_;
    std::vector<Level> levels_;
};

template <typename Base, typename Desc>
class FakeBuffer final : public Counted<Base> {
public:
    explicit FakeBuffer(Desc desc) : desc_(desc), bytes_(desc.Size) {}
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD) override {
        if (!data || offset > bytes_.size() || size > bytes_.size() - offset) {
            return D3DERR_INVALIDCALL;
        }
        *data = bytes_.data() + offset;
        return S_OK;
    }
    HRESULT Unlock() override { return S_OK; }
    HRESULT GetDesc(Desc* desc) override {
        if (!desc)
            return D3DERR_INVALIDCALL;
        *desc = desc_;
        return S_OK;
    }

private:
    Desc desc_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::string FakeDevice::NameOf(Unknown* resource) {
    auto* named = dynamic_cast<Named*>(resource);
    return named ? named->name : "null";
}

FakeDevice::FakeDevice(std::shared_ptr<CallLog> log, std::shared_ptr<FakeDeviceScript> script,
                       std::shared_ptr<FakeDevice*> slot, D3DCAPS9 caps,
                       const D3DPRESENT_PARAMETERS& params, D3DDISPLAYMODE mode)
    : log_(std::move(log)),
      script_(std::move(script)),
      slot_(std::move(slot)),
      caps_(caps),
      params_(params),
      mode_(mode) {
    for (int i = 0; i < 256; ++i) {
        gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = static_cast<WORD>(i * 257);
    }
    viewport_ = {0, 0, params.BackBufferWidth, params.BackBufferHeight, 0.0f, 1.0f};
}

FakeDevice::~FakeDevice() {
    if (*slot_ == this)
        *slot_ = nullptr;
}

std::uint32_t FakeDevice::Release() {
    const std::uint32_t left = --refs_;
    if (left == 0) {
        log_->Add("ReleaseDevice()");
        delete this;
    }
    return left;
}

HRESULT FakeDevice::TestCooperativeLevel() {
    log_->Add("TestCooperativeLevel()");
    return script_->cooperativeLevel;
}

HRESULT FakeDevice::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params)
        return D3DERR_INVALIDCALL;
    log_->Add(Format("Reset(%u, %u, %u, %u, %u, %d, %u, %u)", params->BackBufferWidth,
                     params->BackBufferHeight, params->BackBufferFormat, params->MultiSampleType,
                     params->MultiSampleQuality, params->Windowed, params->AutoDepthStencilFormat,
                     params->PresentationInterval));
    if (Failed(script_->resetResult))
        return script_->resetResult;
    params_ = *params;
    script_->cooperativeLevel = S_OK;
    // A reset device starts again from the defaults, as a new one does.
    renderStates_.clear();
    stageStates_.clear();
    samplerStates_.clear();
    transforms_.clear();
    lights_.clear();
    lightEnabled_.clear();
    material_ = {};
    for (auto& texture : textures_)
        texture.reset();
    stream_.reset();
    indices_.reset();
    fvf_ = 0;
    viewport_ = {0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.0f, 1.0f};
    return S_OK;
}

HRESULT FakeDevice::Present() {
    log_->Add("Present()");
    return script_->cooperativeLevel == S_OK ? S_OK : D3DERR_DEVICELOST;
}

HRESULT FakeDevice::GetDeviceCaps(D3DCAPS9* caps) {
    log_->Add("GetDeviceCaps()");
    if (!caps)
        return D3DERR_INVALIDCALL;
    *caps = caps_;
    return S_OK;
}

HRESULT FakeDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    log_->Add(Format("GetDisplayMode(%u)", swapChain));
    if (!mode)
        return D3DERR_INVALIDCALL;
    *mode = mode_;
    return S_OK;
}

HRESULT FakeDevice::GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) {
    log_->Add(Format("GetBackBufferDesc(%u, %u)", swapChain, index));
    if (!desc || swapChain != 0 || index != 0)
        return D3DERR_INVALIDCALL;
    *desc = {params_.BackBufferFormat, D3DRTYPE_SURFACE,        D3DUSAGE_RENDERTARGET,
             D3DPOOL_DEFAULT,          params_.MultiSampleType, params_.MultiSampleQuality,
             params_.BackBufferWidth,  params_.BackBufferHeight};
    return S_OK;
}

void FakeDevice::SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) {
    if (!ramp)
        return;
    log_->Add(Format("SetGammaRamp(%u, %u, %u %u %u, %u %u %u)", swapChain, flags, ramp->red[0],
                     ramp->green[0], ramp->blue[0], ramp->red[255], ramp->green[255],
                     ramp->blue[255]));
    gamma_ = *ramp;
}

void FakeDevice::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
    log_->Add(Format("GetGammaRamp(%u)", swapChain));
    if (ramp)
        *ramp = gamma_;
}

HRESULT FakeDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, Texture** texture) {
    log_->Add(Format("CreateTexture(%u, %u, %u, %u, %u, %u)", width, height, levels, usage, format,
                     pool));
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (Failed(script_->createResourceResult))
        return script_->createResourceResult;
    if (width == 0 || height == 0 || width > caps_.MaxTextureWidth ||
        height > caps_.MaxTextureHeight) {
        return D3DERR_INVALIDCALL;
    }
    auto* created = new FakeTexture(width, height, levels, usage, format, pool);
    created->name = Format("tex#%d", ++nextTexture);
    *texture = created;
    return S_OK;
}

HRESULT FakeDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       VertexBuffer** buffer) {
    log_->Add(Format("CreateVertexBuffer(%u, %u, %u, %u)", length, usage, fvf, pool));
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (Failed(script_->createResourceResult))
        return script_->createResourceResult;
    if (length == 0)
        return D3DERR_INVALIDCALL;
    auto* created = new FakeBuffer<VertexBuffer, D3DVERTEXBUFFER_DESC>(
        {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf});
    created->name = Format("vb#%d", ++nextVertexBuffer);
    *buffer = created;
    return S_OK;
}

HRESULT FakeDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IndexBuffer** buffer) {
    log_->Add(Format("CreateIndexBuffer(%u, %u, %u, %u)", length, usage, format, pool));
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (Failed(script_->createResourceResult))
        return script_->createResourceResult;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    auto* created = new FakeBuffer<IndexBuffer, D3DINDEXBUFFER_DESC>(
        {format, D3DRTYPE_INDEXBUFFER, usage, pool, length});
    created->name = Format("ib#%d", ++nextIndexBuffer);
    *buffer = created;
    return S_OK;
}

HRESULT FakeDevice::BeginScene() {
    log_->Add("BeginScene()");
    if (Failed(script_->beginSceneResult))
        return script_->beginSceneResult;
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return S_OK;
}

HRESULT FakeDevice::EndScene() {
    log_->Add("EndScene()");
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return S_OK;
}

HRESULT FakeDevice::Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) {
    log_->Add(Format("Clear(%u, %u, 0x%08x, %g, %u)", count, flags, color, z, stencil));
    return S_OK;
}

HRESULT FakeDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    log_->Add(Format("SetTransform(%u, %s)", state, Matrix(*matrix).c_str()));
    transforms_[state] = *matrix;
    return S_OK;
}

HRESULT FakeDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    log_->Add(Format("GetTransform(%u)", state));
    if (!matrix)
        return D3DERR_INVALIDCALL;
    auto found = transforms_.find(state);
    if (found != transforms_.end()) {
        *matrix = found->second;
    } else {
        *matrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    }
    return S_OK;
}

HRESULT FakeDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    log_->Add(Format("SetViewport(%u, %u, %u, %u, %g, %g)", viewport->X, viewport->Y,
                     viewport->Width, viewport->Height, viewport->MinZ, viewport->MaxZ));
    viewport_ = *viewport;
    return S_OK;
}

HRESULT FakeDevice::GetViewport(D3DVIEWPORT9* viewport) {
    log_->Add("GetViewport()");
    if (!viewport)
        return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return S_OK;
}

HRESULT FakeDevice::SetMaterial(const D3DMATERIAL9* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    log_->Add(Format("SetMaterial(%s, %s, %s, %s, %g)", Colour(material->Diffuse).c_str(),
                     Colour(material->Ambient).c_str(), Colour(material->Specular).c_str(),
                     Colour(material->Emissive).c_str(), material->Power));
    material_ = *material;
    return S_OK;
}

HRESULT FakeDevice::GetMaterial(D3DMATERIAL9* material) {
    log_->Add("GetMaterial()");
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = material_;
    return S_OK;
}

HRESULT FakeDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light)
        return D3DERR_INVALIDCALL;
    log_->Add(Format("SetLight(%u, %u, %s, %g %g %g, %g %g %g, %g)", index, light->Type,
                     Colour(light->Diffuse).c_str(), light->Position.x, light->Position.y,
                     light->Position.z, light->Direction.x, light->Direction.y, light->Direction.z,
                     light->Range));
    if (!AcceptableLight(*light))
        return D3DERR_INVALIDCALL;
    lights_[index] = *light;
    return S_OK;
}

HRESULT FakeDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    log_->Add(Format("GetLight(%u)", index));
    auto found = lights_.find(index);
    if (!light || found == lights_.end())
        return D3DERR_INVALIDCALL;
    *light = found->second;
    return S_OK;
}

HRESULT FakeDevice::LightEnable(DWORD index, BOOL enable) {
    log_->Add(Format("LightEnable(%u, %d)", index, enable));
    if (enable && !lightEnabled_.contains(index)) {
        if (lightEnabled_.size() >= caps_.MaxActiveLights)
            return D3DERR_INVALIDCALL;
        lightEnabled_.insert(index);
    } else if (!enable) {
        lightEnabled_.erase(index);
    }
    // An index that was never set gets D3D's default light.
    lights_.try_emplace(index, DefaultLight());
    return S_OK;
}

HRESULT FakeDevice::GetLightEnable(DWORD index, BOOL* enable) {
    log_->Add(Format("GetLightEnable(%u)", index));
    if (!enable || !lights_.contains(index))
        return D3DERR_INVALIDCALL;
    *enable = lightEnabled_.contains(index) ? 1 : 0;
    return S_OK;
}

HRESULT FakeDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    log_->Add(Format("SetRenderState(%u, %u)", state, value));
    renderStates_[state] = value;
    return S_OK;
}

HRESULT FakeDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    log_->Add(Format("GetRenderState(%u)", state));
    if (!value)
        return D3DERR_INVALIDCALL;
    auto found = renderStates_.find(state);
    *value = found != renderStates_.end()
                 ? found->second
                 : DefaultRenderState(state, params_.EnableAutoDepthStencil != 0);
    return S_OK;
}

HRESULT FakeDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    log_->Add(Format("SetTextureStageState(%u, %u, %u)", stage, type, value));
    if (stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    stageStates_[{stage, type}] = value;
    return S_OK;
}

HRESULT FakeDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    log_->Add(Format("GetTextureStageState(%u, %u)", stage, type));
    if (!value || stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    auto found = stageStates_.find({stage, type});
    *value = found != stageStates_.end() ? found->second : DefaultStageState(stage, type);
    return S_OK;
}

HRESULT FakeDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    log_->Add(Format("SetSamplerState(%u, %u, %u)", sampler, type, value));
    if (sampler >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    samplerStates_[{sampler, type}] = value;
    return S_OK;
}

HRESULT FakeDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    log_->Add(Format("GetSamplerState(%u, %u)", sampler, type));
    if (!value || sampler >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    auto found = samplerStates_.find({sampler, type});
    *value = found != samplerStates_.end() ? found->second : DefaultSamplerState(type);
    return S_OK;
}

HRESULT FakeDevice::SetTexture(DWORD stage, Texture* texture) {
    log_->Add(Format("SetTexture(%u, %s)", stage, NameOf(texture).c_str()));
    if (stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    textures_[stage] = Ref<Texture>::Share(texture);
    return S_OK;
}

HRESULT FakeDevice::GetTexture(DWORD stage, Texture** texture) {
    log_->Add(Format("GetTexture(%u)", stage));
    if (!texture || stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    *texture = textures_[stage].get();
    if (*texture)
        (*texture)->AddRef();
    return S_OK;
}

HRESULT FakeDevice::SetFVF(DWORD fvf) {
    log_->Add(Format("SetFVF(%u)", fvf));
    fvf_ = fvf;
    return S_OK;
}

HRESULT FakeDevice::GetFVF(DWORD* fvf) {
    log_->Add("GetFVF()");
    if (!fvf)
        return D3DERR_INVALIDCALL;
    *fvf = fvf_;
    return S_OK;
}

HRESULT FakeDevice::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) {
    log_->Add(
        Format("SetStreamSource(%u, %s, %u, %u)", stream, NameOf(buffer).c_str(), offset, stride));
    if (stream != 0)
        return D3DERR_INVALIDCALL;
    stream_ = Ref<VertexBuffer>::Share(buffer);
    return S_OK;
}

HRESULT FakeDevice::SetIndices(IndexBuffer* buffer) {
    log_->Add(Format("SetIndices(%s)", NameOf(buffer).c_str()));
    indices_ = Ref<IndexBuffer>::Share(buffer);
    return S_OK;
}

HRESULT FakeDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    log_->Add(Format("DrawPrimitive(%u, %u, %u)", type, startVertex, primitiveCount));
    return stream_ ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT FakeDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, std::int32_t baseVertexIndex,
                                         UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) {
    log_->Add(Format("DrawIndexedPrimitive(%u, %d, %u, %u, %u, %u)", type, baseVertexIndex,
                     minVertexIndex, numVertices, startIndex, primitiveCount));
    return stream_ && indices_ ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT FakeDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertexData, UINT stride) {
    log_->Add(Format("DrawPrimitiveUP(%u, %u, %u)", type, primitiveCount, stride));
    return vertexData ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT FakeDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                           UINT numVertices, UINT primitiveCount,
                                           const void* indexData, D3DFORMAT indexFormat,
                                           const void* vertexData, UINT stride) {
    log_->Add(Format("DrawIndexedPrimitiveUP(%u, %u, %u, %u, %u, %u)", type, minVertexIndex,
                     numVertices, primitiveCount, indexFormat, stride));
    return indexData && vertexData ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT FakeDevice::ReadBackBuffer(std::uint32_t* argb, UINT pitch) {
    log_->Add("ReadBackBuffer()");
    if (!argb || pitch < params_.BackBufferWidth)
        return D3DERR_INVALIDCALL;
    for (UINT y = 0; y < params_.BackBufferHeight; ++y) {
        std::memset(argb + static_cast<std::size_t>(y) * pitch, 0,
                    params_.BackBufferWidth * sizeof(std::uint32_t));
    }
    return S_OK;
}

HRESULT FakeDevice::Finish() {
    log_->Add("Finish()");
    return S_OK;
}

HRESULT FakeDevice::PrecompileProgram(DWORD fvf) {
    log_->Add(Format("PrecompileProgram(%u)", fvf));
    return (fvf & D3DFVF_POSITION_MASK) ? S_OK : D3DERR_INVALIDCALL;
}

}  // namespace gfx::fake
