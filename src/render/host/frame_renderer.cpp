#include "render/host/frame_renderer.h"

#include <cstring>

#include "core/trace.h"
#include "render/device/state_cache.h"
#include "render/host/application.h"
#include "render/math/camera.h"
#include "render/math/matrix.h"

namespace render {
namespace {

using namespace gfx;

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

void SetFrameTransforms(StateCache& cache, const D3DMATRIX& view, const D3DMATRIX& projection) {
    const D3DMATRIX world = MatrixIdentity().ToD3D();
    cache.SetWorld(&world);
    cache.SetView(&view);
    cache.SetProjection(&projection);
}

void SetFrameStates(StateCache& cache, const SceneParameters& scene) {
    cache.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    cache.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    cache.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    cache.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    cache.SetRenderState(D3DRS_AMBIENT, scene.ambient);
    cache.SetRenderState(D3DRS_FOGENABLE, scene.fog);
    cache.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    cache.SetRenderState(D3DRS_FOGCOLOR, scene.fogColour);
    cache.SetRenderState(D3DRS_FOGSTART, FloatBits(scene.fogStart));
    cache.SetRenderState(D3DRS_FOGEND, FloatBits(scene.fogEnd));
    cache.SetRenderState(D3DRS_RANGEFOGENABLE, 1);
}

bool RenderDeviceFrame(Application& host, const FrameParameters& p, const FrameHooks& hooks) {
    if (!host.CheckDevice()) {
        core::Trace("device lost\n");
        return false;
    }
    Device* device = host.Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, p.scene.background, 1.0f, 0);

    const platform::Rect& client = host.ClientRect();
    const float aspect =
        client.Height() > 0 ? float(client.Width()) / float(client.Height()) : 1.0f;
    const D3DMATRIX projection = p.camera
                                     ? p.camera->GetProjection().ToD3D()
                                     : MatrixPerspectiveFovLH(p.scene.fieldOfView, aspect,
                                                              p.scene.nearPlane, p.scene.farPlane)
                                           .ToD3D();
    const D3DMATRIX view =
        p.camera ? p.camera->GetView().ToD3D()
                 : MatrixLookAtLH({p.eye.x, p.eye.y, p.eye.z}, {p.lookAt.x, p.lookAt.y, p.lookAt.z},
                                  {p.up.x, p.up.y, p.up.z})
                       .ToD3D();
    StateCache& cache = DeviceStateCache();
    SetFrameTransforms(cache, view, projection);
    cache.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);

    if (Succeeded(device->BeginScene())) {
        SetFrameStates(cache, p.scene);
        if (hooks.renderScene) {
            hooks.renderScene();
        }
        if (hooks.drawFade) {
            hooks.drawFade();
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
