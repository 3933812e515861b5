// The device side of one frame: check the device, clear, camera transforms, the frame's render
// states, the scene between BeginScene and EndScene, present.
#pragma once

#include <functional>

#include "platform/gfx/d3d_types.h"

namespace render {

class Application;
class Camera;
class StateCache;

// What the scene's properties fix about every frame: the projection's planes and field of view,
// the background and ambient colours, and the fog.
struct SceneParameters {
    float nearPlane = 1.0f;
    float farPlane = 1500.0f;
    float fieldOfView = 1.0472f;  // radians, vertical
    gfx::D3DCOLOR ambient = gfx::D3DCOLOR_XRGB(128, 128, 128);
    gfx::D3DCOLOR background = gfx::D3DCOLOR_XRGB(100, 0, 0);
    gfx::D3DCOLOR fogColour = gfx::D3DCOLOR_XRGB(128, 128, 128);
    float fogStart = 10000.0f;
    float fogEnd = 10000.0f;
    bool fog = false;
};

struct FrameParameters {
    SceneParameters scene;
    // The camera whose view and projection the frame uses; null: the fixed view below and a
    // projection from the scene's planes and field of view.
    const Camera* camera = nullptr;
    // Where the camera stands and looks until a camera drives the view (scene units, Z up).
    gfx::D3DVECTOR eye{0.0f, 350.0f, 150.0f};
    gfx::D3DVECTOR lookAt{0.0f, 0.0f, 150.0f};
    gfx::D3DVECTOR up{0.0f, 0.0f, 1.0f};
};

struct FrameHooks {
    std::function<bool()> renderScene;  // the scene itself
    std::function<void()> drawFade;     // over the scene: the camera tour's fade
    std::function<void()> drawOverlay;  // after the depth clear: the overlay texts
};

// The transforms a frame draws with: the world at the identity, the view and the projection.
void SetFrameTransforms(StateCache& cache, const gfx::D3DMATRIX& view,
                        const gfx::D3DMATRIX& projection);

// The device states every frame of the scene starts from: depth test, filtering, ambient light
// and fog. Programs compiled ahead at load are compiled under the same states, so they match the
// first frame's.
void SetFrameStates(StateCache& cache, const SceneParameters& scene);

// One frame on the host's device. False when the device is not usable (the frame is skipped).
bool RenderDeviceFrame(Application& host, const FrameParameters& parameters,
                       const FrameHooks& hooks);

}  // namespace render
