// The draw path of the OpenGL device: fixed GL state from the render states, the program for
// the state key with its uniforms, textures, the vertex layout of the FVF, and the draw calls.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/linux/gl/gl_context.h"
#include "platform/linux/gl/gl_device.h"
#include "platform/linux/gl/shader_generator.h"

namespace gfx::gl {

namespace {

void ColourToFloats(D3DCOLOR colour, float out[4]) {
    out[0] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(colour & 0xFF) / 255.0f;
    out[3] = static_cast<float>(colour >> 24) / 255.0f;
}

// n' = n * N with N the inverse transpose of the matrix's upper 3 x 3, laid out so that GLSL
// reads it the way it reads the row-vector matrices.
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float cofactor[9] = {e * i - f * h,    -(d * i - f * g), d * h - e * g,
                               -(b * i - c * h), a * i - c * g,    -(a * h - b * g),
                               b * f - c * e,    -(a * f - c * d), a * e - b * d};
    const float det = a * cofactor[0] + b * cofactor[1] + c * cofactor[2];
    const float scale = std::fabs(det) > 1e-20f ? 1.0f / det : 0.0f;
    // inverse = adjugate / det = cofactor^T / det; its transpose is cofactor / det.
    for (int k = 0; k < 9; ++k)
        out[k] = cofactor[k] * scale;
}

D3DVECTOR TransformPoint(const D3DVECTOR& v, const D3DMATRIX& m) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2]};
}

D3DVECTOR TransformDirection(const D3DVECTOR& v, const D3DMATRIX& m) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

}  // namespace

void GlDevice::ApplyFixedState() {
    if (!fixedStateDirty_)
        return;
    fixedStateDirty_ = false;
    ++counters_->fixedStateApplied;
    const auto& rs = state_.renderStates;
    if (rs[D3DRS_ZENABLE] && HasDepthBuffer()) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunction(rs[D3DRS_ZFUNC]));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    switch (rs[D3DRS_CULLMODE]) {
        case D3DCULL_CW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
            break;
        case D3DCULL_CCW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
            break;
        default:
            glDisable(GL_CULL_FACE);
            break;
    }
    glFrontFace(GL_CW);
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        GLenum source = BlendFactor(rs[D3DRS_SRCBLEND]);
        GLenum destination = BlendFactor(rs[D3DRS_DESTBLEND]);
        // The BOTH... source factors set the destination factor too.
        if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) {
            source = GL_SRC_ALPHA;
            destination = GL_ONE_MINUS_SRC_ALPHA;
        } else if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) {
            source = GL_ONE_MINUS_SRC_ALPHA;
            destination = GL_SRC_ALPHA;
        }
        glBlendFunc(source, destination);
        glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
        float factor[4];
        ColourToFloats(rs[D3DRS_BLENDFACTOR], factor);
        glBlendColor(factor[0], factor[1], factor[2], factor[3]);
    } else {
        glDisable(GL_BLEND);
    }
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    glColorMask((mask & D3DCOLORWRITEENABLE_RED) != 0, (mask & D3DCOLORWRITEENABLE_GREEN) != 0,
                (mask & D3DCOLORWRITEENABLE_BLUE) != 0, (mask & D3DCOLORWRITEENABLE_ALPHA) != 0);
    glPolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                     : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                               : GL_FILL);
    if (rs[D3DRS_MULTISAMPLEANTIALIAS] && backBuffer_.Samples() > 1) {
        glEnable(GL_MULTISAMPLE);
    } else {
        glDisable(GL_MULTISAMPLE);
    }
    if (rs[D3DRS_STENCILENABLE] && HasDepthBuffer()) {
        static constexpr GLenum kStencilOps[] = {GL_KEEP,    GL_KEEP,      GL_ZERO,
                                                 GL_REPLACE, GL_INCR,      GL_DECR,
                                                 GL_INVERT,  GL_INCR_WRAP, GL_DECR_WRAP};
        auto op = [](DWORD value) { return value < 9 ? kStencilOps[value] : GLenum{GL_KEEP}; };
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(CompareFunction(rs[D3DRS_STENCILFUNC]),
                      static_cast<GLint>(rs[D3DRS_STENCILREF]), rs[D3DRS_STENCILMASK]);
        glStencilOp(op(rs[D3DRS_STENCILFAIL]), op(rs[D3DRS_STENCILZFAIL]),
                    op(rs[D3DRS_STENCILPASS]));
        glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
    } else {
        glDisable(GL_STENCIL_TEST);
    }
}

void GlDevice::ApplySamplers() {
    for (DWORD i = 0; i < kMaxTextureStages; ++i) {
        if (!samplerDirty_[i])
            continue;
        samplerDirty_[i] = false;
        const auto& ss = state_.samplerStates[i];
        const GLuint sampler = samplers_[i];
        const auto* texture = static_cast<GlTexture*>(textures_[i].get());
        const bool mipmapped = texture && texture->Mipmapped();
        samplerMipmapped_[i] = mipmapped;
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S,
                            static_cast<GLint>(AddressMode(ss[D3DSAMP_ADDRESSU])));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T,
                            static_cast<GLint>(AddressMode(ss[D3DSAMP_ADDRESSV])));
        glSamplerParameteri(
            sampler, GL_TEXTURE_MIN_FILTER,
            static_cast<GLint>(MinFilter(ss[D3DSAMP_MINFILTER], ss[D3DSAMP_MIPFILTER], mipmapped)));
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                            static_cast<GLint>(MagFilter(ss[D3DSAMP_MAGFILTER])));
        float border[4];
        ColourToFloats(ss[D3DSAMP_BORDERCOLOR], border);
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
        if (anisotropic_) {
            const bool anisotropic = ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                                     ss[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
            const float amount =
                anisotropic
                    ? static_cast<float>(std::clamp<DWORD>(ss[D3DSAMP_MAXANISOTROPY], 1, 16))
                    : 1.0f;
            glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, amount);
        }
    }
}

bool GlDevice::Stale(Program& program, UniformGroup group) {
    if (uniformCaching_ && program.seen[group] == generation_[group]) {
        ++counters_->uniformsKept;
        return false;
    }
    program.seen[group] = generation_[group];
    return true;
}

void GlDevice::RefreshLightSlots() {
    for (std::size_t i = 0; i < lightSlots_.size(); ++i) {
        LightSlot& slot = lightSlots_[i];
        if (!(lightMask_ & (1u << i)) || (!slot.stale && uniformCaching_))
            continue;
        slot.stale = false;
        const D3DLIGHT9& light = state_.lights.at(slot.index);
        if (!uniformCaching_ || slot.view != viewGeneration_ ||
            std::memcmp(&slot.position, &light.Position, sizeof slot.position) != 0 ||
            std::memcmp(&slot.direction, &light.Direction, sizeof slot.direction) != 0) {
            slot.view = viewGeneration_;
            slot.position = light.Position;
            slot.direction = light.Direction;
            slot.eyePosition = TransformPoint(light.Position, state_.view);
            slot.eyeDirection = TransformDirection(light.Direction, state_.view);
            ++counters_->lightTransforms;
        }
        const D3DVECTOR& p = slot.eyePosition;
        const D3DVECTOR& d = slot.eyeDirection;
        // In the order the programs read them (see kLightVectors).
        float* v = slot.values;
        auto put = [&v](float x, float y, float z, float w) {
            v[0] = x, v[1] = y, v[2] = z, v[3] = w;
            v += 4;
        };
        auto colour = [&put](const D3DCOLORVALUE& c) { put(c.r, c.g, c.b, c.a); };
        colour(light.Diffuse);
        colour(light.Specular);
        colour(light.Ambient);
        put(p.x, p.y, p.z, static_cast<float>(light.Type));
        put(d.x, d.y, d.z, 0.0f);
        put(light.Attenuation0, light.Attenuation1, light.Attenuation2, light.Range);
        put(std::cos(light.Theta * 0.5f), std::cos(light.Phi * 0.5f), light.Falloff, 0.0f);
        slot.generation = ++lastGeneration_;
    }
}

void GlDevice::UploadUniforms(Program& p, const FixedFunctionKey& key) {
    const auto& rs = state_.renderStates;
    std::uint64_t& uploads = counters_->uniformUploads;
    float v[4];
    if (key.pretransformed) {
        if (Stale(p, kGroupViewport)) {
            const D3DVIEWPORT9& vp = state_.viewport;
            glUniform4f(p.viewport, static_cast<float>(vp.X), static_cast<float>(vp.Y),
                        static_cast<float>(vp.Width), static_cast<float>(vp.Height));
            ++uploads;
        }
    } else {
        if (Stale(p, kGroupWorldView)) {
            const D3DMATRIX worldView = Multiply(state_.world, state_.view);
            glUniformMatrix4fv(p.worldView, 1, GL_FALSE, &worldView.m[0][0]);
            ++uploads;
            if (p.normalMatrix >= 0) {
                float normal[9];
                NormalMatrix(worldView, normal);
                glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, normal);
                ++uploads;
            }
        }
        if (Stale(p, kGroupProjection)) {
            glUniformMatrix4fv(p.projection, 1, GL_FALSE, &state_.projection.m[0][0]);
            ++uploads;
        }
    }
    if (key.lighting) {
        if (Stale(p, kGroupMaterial)) {
            const D3DMATERIAL9& m = state_.material;
            glUniform4fv(p.matDiffuse, 1, &m.Diffuse.r);
            glUniform4fv(p.matAmbient, 1, &m.Ambient.r);
            glUniform4fv(p.matSpecular, 1, &m.Specular.r);
            glUniform4fv(p.matEmissive, 1, &m.Emissive.r);
            glUniform1f(p.matPower, m.Power);
            uploads += 5;
        }
        if (Stale(p, kGroupAmbient)) {
            ColourToFloats(rs[D3DRS_AMBIENT], v);
            glUniform4fv(p.globalAmbient, 1, v);
            ++uploads;
        }
        RefreshLightSlots();
        if (Stale(p, kGroupLightMask)) {
            glUniform1i(p.lightMask, static_cast<GLint>(lightMask_));
            ++uploads;
        }
        for (std::size_t i = 0; i < lightSlots_.size(); ++i) {
            if (!(lightMask_ & (1u << i)))
                continue;
            const LightSlot& slot = lightSlots_[i];
            if (uniformCaching_ && p.seenSlot[i] == slot.generation) {
                ++counters_->uniformsKept;
                continue;
            }
            p.seenSlot[i] = slot.generation;
            glUniform4fv(p.lightSlot[i], kLightVectors, slot.values);
            ++uploads;
        }
    }
    if (p.texMatrix >= 0 && Stale(p, kGroupTexMatrix)) {
        glUniformMatrix4fv(p.texMatrix, kMaxTextureStages, GL_FALSE,
                           &state_.textureMatrices[0].m[0][0]);
        ++uploads;
    }
    if (key.fogMode && Stale(p, kGroupFog)) {
        glUniform3f(p.fogParams, FloatFromBits(rs[D3DRS_FOGSTART]), FloatFromBits(rs[D3DRS_FOGEND]),
                    FloatFromBits(rs[D3DRS_FOGDENSITY]));
        ColourToFloats(rs[D3DRS_FOGCOLOR], v);
        glUniform3fv(p.fogColor, 1, v);
        uploads += 2;
    }
    if (p.tfactor >= 0 && Stale(p, kGroupTFactor)) {
        ColourToFloats(rs[D3DRS_TEXTUREFACTOR], v);
        glUniform4fv(p.tfactor, 1, v);
        ++uploads;
    }
    if (key.alphaFunc && Stale(p, kGroupAlphaRef)) {
        glUniform1f(p.alphaRef, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF));
        ++uploads;
    }
}

void GlDevice::BindVertexLayout(GLuint buffer, UINT offset, UINT stride) {
    const DWORD fvf = state_.fvf;
    if (layout_.buffer == buffer && layout_.offset == offset && layout_.stride == stride &&
        layout_.fvf == fvf) {
        return;
    }
    layout_ = {buffer, offset, stride, fvf};
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    auto pointer = [&](UINT at) {
        return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset + at));
    };
    const auto s = static_cast<GLsizei>(stride);
    UINT at = 0;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    const bool fourFloats = position == D3DFVF_XYZRHW || position == D3DFVF_XYZW;
    glEnableVertexAttribArray(kAttribPosition);
    glVertexAttribPointer(kAttribPosition, fourFloats ? 4 : 3, GL_FLOAT, GL_FALSE, s, pointer(0));
    at = fourFloats ? 16 : 12;
    if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5) {
        at += ((position - D3DFVF_XYZB1) / 2 + 1) * 4;  // blend weights, unused here
    }
    if (fvf & D3DFVF_NORMAL) {
        glEnableVertexAttribArray(kAttribNormal);
        glVertexAttribPointer(kAttribNormal, 3, GL_FLOAT, GL_FALSE, s, pointer(at));
        at += 12;
    } else {
        glDisableVertexAttribArray(kAttribNormal);
    }
    if (fvf & D3DFVF_PSIZE)
        at += 4;
    // D3DCOLOR lies in memory as B, G, R, A.
    if (fvf & D3DFVF_DIFFUSE) {
        glEnableVertexAttribArray(kAttribDiffuse);
        glVertexAttribPointer(kAttribDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, pointer(at));
        at += 4;
    } else {
        glDisableVertexAttribArray(kAttribDiffuse);
    }
    if (fvf & D3DFVF_SPECULAR) {
        glEnableVertexAttribArray(kAttribSpecular);
        glVertexAttribPointer(kAttribSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, pointer(at));
        at += 4;
    } else {
        glDisableVertexAttribArray(kAttribSpecular);
    }
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD i = 0; i < 8; ++i) {
        const GLuint location = kAttribTexCoord0 + i;
        if (i >= sets) {
            glDisableVertexAttribArray(location);
            continue;
        }
        static constexpr GLint kSizes[4] = {2, 3, 4, 1};
        const GLint size = kSizes[(fvf >> (i * 2 + 16)) & 3];
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, s, pointer(at));
        at += static_cast<UINT>(size) * 4;
    }
}

bool GlDevice::PrepareDraw(GLuint buffer, UINT offset, UINT stride) {
    if (!(state_.fvf & D3DFVF_POSITION_MASK) || stride == 0)
        return false;
    context_->MakeCurrent();
    backBuffer_.BindForDrawing();
    ApplyFixedState();
    if (keyDirty_) {
        keyDirty_ = false;
        key_ = BuildKey(state_, state_.fvf);
        program_ = programs_.Get(key_);
        ++counters_->keysBuilt;
    }
    if (!program_)
        return false;
    glUseProgram(program_->name);
    UploadUniforms(*program_, key_);
    ApplySamplers();
    // Levels never written are zeros to the programs too; filling them may bind unit 0, so it
    // comes before the stages' bindings.
    for (DWORD i = 0; i < kMaxTextureStages; ++i) {
        if (key_.stages[i].texture)
            static_cast<GlTexture*>(textures_[i].get())->PrepareForSampling();
    }
    for (DWORD i = 0; i < kMaxTextureStages; ++i) {
        if (!key_.stages[i].texture)
            continue;
        glActiveTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, static_cast<GlTexture*>(textures_[i].get())->Name());
        glBindSampler(i, samplers_[i]);
    }
    BindVertexLayout(buffer, offset, stride);
    return true;
}

bool GlDevice::HasDepthBuffer() const {
    return params_.EnableAutoDepthStencil != 0;
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    if (primitiveCount > caps_.MaxPrimitiveCount)
        return D3DERR_INVALIDCALL;
    const UINT vertices = VertexCount(type, primitiveCount);
    if (!stream_ || vertices == 0 || streamStride_ == 0)
        return D3DERR_INVALIDCALL;
    auto* buffer = static_cast<GlVertexBuffer*>(stream_.get());
    D3DVERTEXBUFFER_DESC desc;
    buffer->GetDesc(&desc);
    const std::uint64_t end =
        streamOffset_ + (static_cast<std::uint64_t>(startVertex) + vertices) * streamStride_;
    if (end > desc.Size)
        return D3DERR_INVALIDCALL;
    if (!PrepareDraw(buffer->Name(), streamOffset_, streamStride_))
        return D3DERR_INVALIDCALL;
    glDrawArrays(PrimitiveMode(type), static_cast<GLint>(startVertex),
                 static_cast<GLsizei>(vertices));
    ++counters_->draws;
    return S_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, std::int32_t baseVertexIndex, UINT,
                                       UINT, UINT startIndex, UINT primitiveCount) {
    if (primitiveCount > caps_.MaxPrimitiveCount)
        return D3DERR_INVALIDCALL;
    const UINT count = VertexCount(type, primitiveCount);
    if (!stream_ || !indices_ || count == 0 || streamStride_ == 0)
        return D3DERR_INVALIDCALL;
    auto* vertices = static_cast<GlVertexBuffer*>(stream_.get());
    auto* indices = static_cast<GlIndexBuffer*>(indices_.get());
    D3DVERTEXBUFFER_DESC vdesc;
    vertices->GetDesc(&vdesc);
    D3DINDEXBUFFER_DESC idesc;
    indices->GetDesc(&idesc);
    const UINT indexSize = idesc.Format == D3DFMT_INDEX32 ? 4 : 2;
    if ((static_cast<std::uint64_t>(startIndex) + count) * indexSize > idesc.Size) {
        return D3DERR_INVALIDCALL;
    }
    // Every index must name a vertex inside the buffer: the rasterizer reads what it is told.
    const std::uint64_t vertexCount =
        vdesc.Size > streamOffset_ ? (vdesc.Size - streamOffset_) / streamStride_ : 0;
    if (!indices->IndicesFit(startIndex, count, baseVertexIndex, vertexCount))
        return D3DERR_INVALIDCALL;
    if (!PrepareDraw(vertices->Name(), streamOffset_, streamStride_))
        return D3DERR_INVALIDCALL;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->Name());
    glDrawElementsBaseVertex(
        PrimitiveMode(type), static_cast<GLsizei>(count),
        indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
        reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * indexSize),
        baseVertexIndex);
    ++counters_->draws;
    return S_OK;
}

HRESULT GlDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                  const void* vertexData, UINT stride) {
    if (primitiveCount > caps_.MaxPrimitiveCount)
        return D3DERR_INVALIDCALL;
    const UINT vertices = VertexCount(type, primitiveCount);
    if (!vertexData || vertices == 0 || stride == 0)
        return D3DERR_INVALIDCALL;
    // As in D3D, drawing from user memory unbinds stream 0 and the indices.
    stream_.reset();
    indices_.reset();
    context_->MakeCurrent();
    glBindBuffer(GL_ARRAY_BUFFER, scratchVertices_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices) * stride, vertexData,
                 GL_STREAM_DRAW);
    layout_ = {};
    if (!PrepareDraw(scratchVertices_, 0, stride))
        return D3DERR_INVALIDCALL;
    glDrawArrays(PrimitiveMode(type), 0, static_cast<GLsizei>(vertices));
    ++counters_->draws;
    return S_OK;
}

HRESULT GlDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex,
                                         UINT numVertices, UINT primitiveCount,
                                         const void* indexData, D3DFORMAT indexFormat,
                                         const void* vertexData, UINT stride) {
    if (primitiveCount > caps_.MaxPrimitiveCount)
        return D3DERR_INVALIDCALL;
    const UINT count = VertexCount(type, primitiveCount);
    if (!indexData || !vertexData || count == 0 || stride == 0 ||
        (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    const UINT indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    const std::uint64_t vertexEnd = static_cast<std::uint64_t>(minVertexIndex) + numVertices;
    for (UINT i = 0; i < count; ++i) {
        const std::uint32_t index = indexSize == 4
                                        ? static_cast<const std::uint32_t*>(indexData)[i]
                                        : static_cast<const std::uint16_t*>(indexData)[i];
        if (index < minVertexIndex || index >= vertexEnd)
            return D3DERR_INVALIDCALL;
    }
    stream_.reset();
    indices_.reset();
    context_->MakeCurrent();
    glBindBuffer(GL_ARRAY_BUFFER, scratchVertices_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexEnd * stride), vertexData,
                 GL_STREAM_DRAW);
    layout_ = {};
    if (!PrepareDraw(scratchVertices_, 0, stride))
        return D3DERR_INVALIDCALL;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, scratchIndices_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * indexSize, indexData,
                 GL_STREAM_DRAW);
    glDrawElements(PrimitiveMode(type), static_cast<GLsizei>(count),
                   indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr);
    ++counters_->draws;
    return S_OK;
}

}  // namespace gfx::gl
