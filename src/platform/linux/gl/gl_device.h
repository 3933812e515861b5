// The OpenGL device: D3D-style state, resources and draws over a GL 3.3 core context, with the
// fixed-function pipeline emulated by generated programs.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <memory>

#include "platform/gfx/device.h"
#include "platform/linux/gl/back_buffer.h"
#include "platform/linux/gl/device_state.h"
#include "platform/linux/gl/device_statistics.h"
#include "platform/linux/gl/gl_resources.h"
#include "platform/linux/gl/program_cache.h"
#include "platform/linux/gl/shader_generator.h"

namespace gfx::gl {

class GlContext;

class GlDevice final : public Device {
public:
    // Null when the back buffer can't be made.
    static GlDevice* Create(std::shared_ptr<GlContext> context, const D3DCAPS9& caps,
                            const D3DPRESENT_PARAMETERS& params, int maxSamples);

    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override;

    HRESULT TestCooperativeLevel() override { return S_OK; }
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present() override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT GetBackBufferDesc(UINT swapChain, UINT index, D3DSURFACE_DESC* desc) override;
    void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override;
    void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Texture** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               VertexBuffer** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IndexBuffer** buffer) override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, Texture* texture) override;
    HRESULT GetTexture(DWORD stage, Texture** texture) override;

    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) override;
    HRESULT SetIndices(IndexBuffer* buffer) override;

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, std::int32_t baseVertexIndex,
                                 UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                            UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
                                   UINT primitiveCount, const void* indexData,
                                   D3DFORMAT indexFormat, const void* vertexData,
                                   UINT stride) override;
    HRESULT ReadBackBuffer(std::uint32_t* argb, UINT pitch) override;
    HRESULT Finish() override;
    HRESULT PrecompileProgram(DWORD fvf) override;

    // Figures for benchmarks and tests.
    const ProgramCacheStats& CacheStats() const { return programs_.Stats(); }
    void ResetCacheStats() { programs_.ResetStats(); }
    const DrawCounters& Counters() const { return *counters_; }
    void ResetCounters() { *counters_ = {}; }
    void SetUniformCaching(bool enabled) { uniformCaching_ = enabled; }
    int Samples() const { return backBuffer_.Samples(); }

private:
    GlDevice(std::shared_ptr<GlContext> context, const D3DCAPS9& caps, int maxSamples);
    ~GlDevice() override;
    bool CreateTargets(const D3DPRESENT_PARAMETERS& params);
    void ApplyFixedState();
    void ApplySamplers();
    // Sets program, uniforms, textures and vertex layout for a draw from `buffer` at `offset`.
    bool PrepareDraw(GLuint buffer, UINT offset, UINT stride);
    void UploadUniforms(Program& program, const FixedFunctionKey& key);
    // True when the program lacks the group's current values (and takes them as uploaded).
    bool Stale(Program& program, UniformGroup group);
    void Touch(UniformGroup group) { generation_[group] = ++lastGeneration_; }
    void TouchAll();
    // The slot holding this light index, -1 for none.
    int SlotOf(DWORD index) const;
    // Rebuilds the values of the enabled slots whose light or the view changed.
    void RefreshLightSlots();
    void BindVertexLayout(GLuint buffer, UINT offset, UINT stride);
    bool HasDepthBuffer() const;

    std::uint32_t refs_ = 1;
    std::shared_ptr<GlContext> context_;
    D3DCAPS9 caps_;
    int maxSamples_;
    D3DPRESENT_PARAMETERS params_{};
    DeviceState state_;
    BackBuffer backBuffer_;
    ProgramCache programs_;
    std::shared_ptr<DrawCounters> counters_ = std::make_shared<DrawCounters>();
    std::array<std::uint64_t, kUniformGroupCount> generation_{};
    std::uint64_t lastGeneration_ = 0;
    bool uniformCaching_ = true;
    std::uint64_t viewGeneration_ = 1;
    // Lights sit in eight slots the programs read, each light in its slot for as long as no other
    // light needs it: switching lights on and off then only changes the mask of slots on. A
    // slot's camera-space values are rebuilt only when its light or the view changed.
    struct LightSlot {
        bool held = false;
        DWORD index = 0;
        bool stale = true;
        std::uint64_t generation = 0;  // of the values below
        std::uint64_t view = 0;        // the view the camera-space place was taken in
        D3DVECTOR position{}, direction{};
        D3DVECTOR eyePosition{}, eyeDirection{};
        float values[kLightVectors * 4] = {};
    };
    std::array<LightSlot, kMaxActiveLights> lightSlots_{};
    std::uint32_t lightMask_ = 0;
    D3DGAMMARAMP gamma_{};
    bool inScene_ = false;
    bool anisotropic_ = false;
    bool fixedStateDirty_ = true;
    // The key and its program stay until a state that enters the key changes.
    bool keyDirty_ = true;
    FixedFunctionKey key_{};
    Program* program_ = nullptr;
    std::array<bool, kMaxTextureStages> samplerDirty_{};
    std::array<bool, kMaxTextureStages> samplerMipmapped_{};
    std::array<Ref<Texture>, kMaxTextureStages> textures_;
    Ref<VertexBuffer> stream_;
    UINT streamOffset_ = 0, streamStride_ = 0;
    Ref<IndexBuffer> indices_;
    GLuint vertexArray_ = 0;
    std::array<GLuint, kMaxTextureStages> samplers_{};
    GLuint scratchVertices_ = 0, scratchIndices_ = 0;
    struct Layout {
        GLuint buffer;
        UINT offset, stride;
        DWORD fvf;
    } layout_{};
};

}  // namespace gfx::gl
