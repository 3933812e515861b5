#include "render/frame_renderer.h"

#include <cmath>
#include <cstring>

#include "core/trace.h"
#include "render/application.h"
#include "render/state_cache.h"

namespace render {
namespace {

using namespace gfx;

D3DVECTOR Subtract(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const D3DVECTOR& a, const D3DVECTOR& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

D3DVECTOR Normalize(const D3DVECTOR& v) {
    const float length = std::sqrt(Dot(v, v));
    return length > 0 ? D3DVECTOR{v.x / length, v.y / length, v.z / length} : v;
}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

D3DMATRIX MatrixIdentity() {
    D3DMATRIX m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1.0f;
    return m;
}

D3DMATRIX MatrixPerspectiveFovLH(float fieldOfView, float aspect, float nearPlane, float farPlane) {
    D3DMATRIX m{};
    const float yScale = 1.0f / std::tan(fieldOfView / 2);
    const float depth = farPlane - nearPlane;
    m.m[0][0] = aspect != 0 ? yScale / aspect : yScale;
    m.m[1][1] = yScale;
    m.m[2][2] = depth != 0 ? farPlane / depth : 1.0f;
    m.m[2][3] = 1.0f;
    m.m[3][2] = depth != 0 ? -nearPlane * farPlane / depth : 0.0f;
    return m;
}

D3DMATRIX MatrixLookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up) {
    const D3DVECTOR z = Normalize(Subtract(at, eye));
    const D3DVECTOR x = Normalize(Cross(up, z));
    const D3DVECTOR y = Cross(z, x);
    D3DMATRIX m{};
    m.m[0][0] = x.x, m.m[0][1] = y.x, m.m[0][2] = z.x;
    m.m[1][0] = x.y, m.m[1][1] = y.y, m.m[1][2] = z.y;
    m.m[2][0] = x.z, m.m[2][1] = y.z, m.m[2][2] = z.z;
    m.m[3][0] = -Dot(x, eye), m.m[3][1] = -Dot(y, eye), m.m[3][2] = -Dot(z, eye);
    m.m[3][3] = 1.0f;
    return m;
}

bool RenderDeviceFrame(Application& host, const FrameParameters& p, const FrameHooks& hooks) {
    if (!host.CheckDevice()) {
        core::Trace("device lost\n");
        return false;
    }
    Device* device = host.Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, p.background, 1.0f, 0);

    const platform::Rect& client = host.ClientRect();
    const float aspect =
        client.Height() > 0 ? float(client.Width()) / float(client.Height()) : 1.0f;
    const D3DMATRIX projection =
        MatrixPerspectiveFovLH(p.fieldOfView, aspect, p.nearPlane, p.farPlane);
    const D3DMATRIX view = MatrixLookAtLH(p.eye, p.lookAt, p.up);
    const D3DMATRIX world = MatrixIdentity();
    StateCache& cache = DeviceStateCache();
    cache.SetWorld(&world);
    cache.SetView(&view);
    cache.SetProjection(&projection);
    cache.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);

    if (Succeeded(device->BeginScene())) {
        cache.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        cache.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        cache.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        cache.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        cache.SetRenderState(D3DRS_AMBIENT, p.ambient);
        cache.SetRenderState(D3DRS_FOGENABLE, p.fog);
        cache.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
        cache.SetRenderState(D3DRS_FOGCOLOR, p.fogColour);
        cache.SetRenderState(D3DRS_FOGSTART, FloatBits(p.fogStart));
        cache.SetRenderState(D3DRS_FOGEND, FloatBits(p.fogEnd));
        cache.SetRenderState(D3DRS_RANGEFOGENABLE, 1);
        if (hooks.renderScene) {
            hooks.renderScene();
        }
        core::Trace("fade quad ok\n");
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        if (hooks.drawOverlay) {
            hooks.drawOverlay();
        }
        core::Trace("window manager ok\n");
        device->EndScene();
    }
    device->Present();
    core::Trace("present ok\n");
    return true;
}

}  // namespace render
