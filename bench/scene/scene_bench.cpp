// CPU cost of one frame's scene pass on the recording device: traversal with animation, frustum
// culling and sorting, then the sorter's flush, for trees of 100, 1 000 and 10 000 nodes (the
// per-node figures must stay flat as the tree grows); then, under a display, the test scene and
// the shipped room on the OpenGL device.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/fake/gfx/fake_device.h"
#include "platform/fake/gfx/fake_runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/math/camera.h"
#include "render/scene/animation/animation.h"
#include "render/scene/mesh.h"
#include "render/scene/node.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/scene/vertex_data.h"
#include "scene_gl_bench.h"

using namespace render;

namespace {

using Clock = std::chrono::steady_clock;

// One unit box (XYZ | NORMAL, 24 bytes a vertex) that every mesh draws.
struct BoxData {
    std::vector<float> vertices;
    std::vector<std::uint16_t> indices = {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7, 0, 4, 1, 1, 4, 5,
                                          2, 3, 6, 6, 3, 7, 0, 2, 4, 4, 2, 6, 1, 5, 3, 3, 5, 7};
    VertexData data;

    BoxData() {
        for (int i = 0; i < 8; ++i) {
            vertices.insert(vertices.end(), {(i & 1) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f,
                                             (i & 4) ? 0.5f : -0.5f, 0.0f, 0.0f, -1.0f});
        }
        data.name = "box";
        data.fvf = gfx::D3DFVF_XYZ | gfx::D3DFVF_NORMAL;
        data.stride = 24;
        data.vertexCount = 8;
        data.vertices = reinterpret_cast<const std::uint8_t*>(vertices.data());
        data.indices = reinterpret_cast<const std::uint8_t*>(indices.data());
        data.indexCount = 36;
        data.indexSize = 2;
    }
};

// A tree of `count` nodes: groups of ten under dummies, every other node in front of the camera
// and the rest behind it (culled), so that the share drawn is the same for every size; every
// fourth mesh transparent, every eighth node animated.
std::unique_ptr<Node> BuildTree(int count, const BoxData& box, MeshBuffers& buffers,
                                const std::shared_ptr<Animation>& swing) {
    auto root = std::make_unique<Node>("root", "Node");
    Node* group = nullptr;
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            group = root->AddChild(std::make_unique<Node>("group" + std::to_string(i), "Dummy"));
        }
        Node* node = group->AddChild(std::make_unique<Node>("node" + std::to_string(i), "Mesh"));
        const int k = i / 2;
        const float x = float(k % 100 - 50) * 0.5f;
        const float y = (50.0f + float(k / 100) * 2.0f) * ((i % 2) ? -1.0f : 1.0f);
        node->SetNodeTransform({x, y, float(k % 7) - 3.0f}, {}, {1, 1, 1});
        if (i % 8 == 0) {
            node->SetAnimation(swing);
        }
        RenderStates states;
        if (i % 4 == 0) {
            states.stages[0].alphaOp = gfx::D3DTOP_SELECTARG1;
            states.stages[0].alphaArg1 = gfx::D3DTA_DIFFUSE;
        }
        auto mesh =
            std::make_unique<Mesh>(states, box.data, nullptr, BufferUsage{8, 8}, false, buffers);
        mesh->RestoreDeviceObjects();
        node->SetDrawable(std::move(mesh));
    }
    return root;
}

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int main() {
    auto* runtime =
        new gfx::fake::FakeRuntime(gfx::fake::FakeScript{{gfx::fake::StandardAdapter()}});
    gfx::D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 1280;
    params.BackBufferHeight = 720;
    params.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
    gfx::Device* device = nullptr;
    if (runtime->CreateDevice(0, gfx::D3DDEVTYPE_HAL, 0, gfx::D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              &params, &device) != gfx::S_OK) {
        std::fprintf(stderr, "no fake device\n");
        return 1;
    }
    SetCurrentDevice(device);
    DeviceStateCache().InvalidateCache();

    BoxData box;
    auto swing = std::make_shared<Animation>();
    swing->GetRotationTrack().SetFlags(kTrackLinear);
    swing->GetRotationTrack().AddKey({0.0f, {0, 0, 0, 1}, {}});
    swing->GetRotationTrack().AddKey({2.0f, {0, 0, 0.3826834f, 0.9238795f}, {}});
    Camera camera;
    camera.SetPerspective(1.0f, 1000.0f, 1.0f, 16.0f / 9.0f);
    camera.SetView({0, 0, 0}, {0, 1, 0}, {0, 0, 1});

    std::printf("nodes    frames  traverse+cull+sort  per node   flush      per node   drawn\n");
    double firstPerNode = 0.0, lastPerNode = 0.0;
    for (int count : {100, 1000, 10000}) {
        MeshBuffers buffers;
        std::unique_ptr<Node> root = BuildTree(count, box, buffers, swing);
        const int frames = std::max(20, 200000 / count);
        Clock::duration traverse{}, flush{};
        std::size_t drawn = 0;
        for (int f = 0; f < frames; ++f) {
            runtime->Log().Clear();
            auto sorter = RenderSorter::Create(nullptr, &camera);
            RenderContext context;
            context.camera = &camera;
            context.flags = kRenderAnimate;
            context.time = float(f) / 60.0f;
            context.sorter = sorter.get();
            const auto start = Clock::now();
            root->Render(context);
            const auto sorted = Clock::now();
            sorter->Flush();
            const auto end = Clock::now();
            traverse += sorted - start;
            flush += end - sorted;
            drawn = runtime->Log().Count("DrawIndexedPrimitive");
        }
        const double traverseUs = Microseconds(traverse) / frames;
        const double flushUs = Microseconds(flush) / frames;
        const double perNode = traverseUs * 1000.0 / count;
        if (count == 100) {
            firstPerNode = perNode;
        }
        lastPerNode = perNode;
        std::printf("%-8d %-7d %12.1f us     %6.1f ns  %8.1f us  %6.1f ns  %zu\n", count, frames,
                    traverseUs, perNode, flushUs, flushUs * 1000.0 / count, drawn);
    }
    std::printf("per-node traversal cost, 10000 nodes / 100 nodes: %.2f (1.0 is linear growth)\n",
                firstPerNode > 0 ? lastPerNode / firstPerNode : 0.0);
    SetCurrentDevice(nullptr);
    device->Release();
    runtime->Release();
    if (!bench::RunGlFigures()) {
        std::printf("\nno OpenGL 3.3 display: the OpenGL figures need one (run under xvfb-run)\n");
    }
    return 0;
}
