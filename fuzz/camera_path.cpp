// Loads the input as a camera path file and flies it: samples at its ends, between its keys and
// outside its range, the way the camera tour does every frame.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "render/math/camera.h"
#include "render/scene/animation/camera_path.h"
#include "vfs/file_source.h"

namespace {

volatile float sink;

void Fly(render::CameraPath& path, float time, render::Camera& camera) {
    path.Sample(time);
    const render::Vector3 eye = path.GetPosition();
    const render::Vector3 front = path.GetFront();
    const render::Vector3 up = path.GetUp();
    camera.SetView(eye, front, up);
    sink = eye.x + front.y + up.z + camera.GetView().m[3][3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    render::CameraPath path;
    if (!path.LoadFile(vfs::FileSource(data, static_cast<std::uint32_t>(size)))) {
        return 0;
    }
    float start = 0, end = 0;
    if (!path.GetTimeRange(start, end)) {
        return 0;
    }
    render::Camera camera;
    camera.SetPerspective(0.1f, 1000.0f, 1.2f, 16.0f / 9.0f);
    const float times[] = {start, end, (start + end) / 2, start - 1, end + 1, -start, 1e30f};
    for (float time : times) {
        Fly(path, time, camera);
    }
    // A few frames' worth of steps across the range, as many as the input is long (bounded).
    const int steps = static_cast<int>(size % 64);
    for (int i = 0; i <= steps; ++i) {
        Fly(path, start + (end - start) * static_cast<float>(i) / static_cast<float>(steps + 1),
            camera);
    }
    // The last four bytes as a time of their own.
    if (size >= 4) {
        float time;
        std::memcpy(&time, data + size - 4, sizeof time);
        Fly(path, time, camera);
    }
    return 0;
}
