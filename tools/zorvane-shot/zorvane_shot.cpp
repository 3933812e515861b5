// zorvane-shot: renders one frame of a scene file into a PNG with the platform's device: OpenGL
// under Xvfb or on an offscreen EGL surface (SDL_VIDEODRIVER=offscreen), Direct3D 9 on Windows.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "clock/clock_room.h"
#include "platform/gfx/offscreen_device.h"
#include "platform/gfx/runtime.h"
#include "render/device/current_device.h"
#include "render/device/state_cache.h"
#include "render/host/frame_renderer.h"
#include "render/math/camera.h"
#include "render/scene/animation/camera_path.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/scene/scene.h"
#include "render/textures/image/png_writer.h"
#include "vfs/search_paths.h"

using namespace gfx;

namespace {

constexpr const char* kHelp =
    "usage: zorvane-shot SCENE.UDF --out FILE.png [options]\n"
    "Renders one frame of a UDF binary scene file into a PNG with the platform's device\n"
    "(OpenGL on Linux, Direct3D 9 on Windows). Textures are looked up next to the scene file.\n"
    "On Linux it needs a display, e.g.\n"
    "  xvfb-run -a -s \"-screen 0 1280x1024x24 +extension GLX\" zorvane-shot ...\n"
    "or, where EGL offers it, none: SDL_VIDEODRIVER=offscreen zorvane-shot ...\n"
    "\n"
    "  --out FILE         the PNG to write (required)\n"
    "  --size WxH         picture size in pixels (default 640x480)\n"
    "  --time SECONDS     animation time (default 0)\n"
    "  --eye X,Y,Z        camera position (default 0,-350,150)\n"
    "  --dir X,Y,Z        direction the camera looks in (default 0,1,0)\n"
    "  --up X,Y,Z         camera up vector (default 0,0,1: Z is up)\n"
    "  --path FILE.cam    take the camera from a camera path file instead of the three above\n"
    "  --path-time T      where on the path, in its own time units (default: its start)\n"
    "  --fov RADIANS      vertical field of view (default 1.0472)\n"
    "  --near D --far D   clip distances (default 1 and 1500)\n"
    "  --background RGB  clear colour as hex RRGGBB (default 000000)\n"
    "  --ambient RGB      ambient light as hex RRGGBB (default 808080)\n"
    "Clock room mode (the scene is drawn in the clock scene's passes, the pendulum and every\n"
    "other animation playing from time 0, so --time is the time since loading):\n"
    "  --clock-time H:M:S the local time the hands show; turns the mode on\n"
    "  --photo FILE       the user's picture for the frame \"Picture\"\n"
    "  --flash LEVEL      lightning brightness 0 .. 1 (default 0)\n"
    "  --wink PHASE       room-light flicker 0 .. 0.5 (default 0)\n"
    "  --help             this text\n"
    "Exit status: 0 written, 1 the scene, device or file failed, 2 bad arguments.\n";

struct Options {
    std::string scene;
    std::string out;
    UINT width = 640;
    UINT height = 480;
    float time = 0.0f;
    render::Vector3 eye{0, -350, 150};
    render::Vector3 direction{0, 1, 0};
    render::Vector3 up{0, 0, 1};
    std::string path;
    bool pathTimeGiven = false;
    float pathTime = 0.0f;
    float fov = 1.0472f;
    float nearPlane = 1.0f;
    float farPlane = 1500.0f;
    D3DCOLOR background = 0xFF000000;
    D3DCOLOR ambient = 0xFF808080;
    bool clock = false;
    core::LocalTime clockTime;
    std::string photo;
    float flash = 0.0f;
    float wink = 0.0f;
};

bool ParseClockTime(const char* text, core::LocalTime& time) {
    char tail = 0;
    return std::sscanf(text, "%d:%d:%d%c", &time.hour, &time.minute, &time.second, &tail) == 3 &&
           time.hour >= 0 && time.hour < 24 && time.minute >= 0 && time.minute < 60 &&
           time.second >= 0 && time.second < 60;
}

bool ParseVector(const char* text, render::Vector3& v) {
    char tail = 0;
    return std::sscanf(text, "%f,%f,%f%c", &v.x, &v.y, &v.z, &tail) == 3;
}

bool ParseFloat(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

bool ParseColour(const char* text, D3DCOLOR& colour) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (end == text || *end != '\0' || value > 0xFFFFFF) {
        return false;
    }
    colour = 0xFF000000u | D3DCOLOR(value);
    return true;
}

// 0: go on; otherwise the exit status.
int Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return -1;
        }
        const bool hasValue = i + 1 < argc;
        const char* value = hasValue ? argv[i + 1] : "";
        bool ok = true;
        if (arg.rfind("--", 0) != 0 && options.scene.empty()) {
            options.scene = arg;
            continue;
        }
        if (arg.rfind("--", 0) != 0 || !hasValue) {
            ok = false;
        } else if (arg == "--out") {
            options.out = value;
        } else if (arg == "--size") {
            unsigned w = 0, h = 0;
            char tail = 0;
            ok = std::sscanf(value, "%ux%u%c", &w, &h, &tail) == 2 && w > 0 && h > 0 && w <= 8192 &&
                 h <= 8192;
            options.width = w;
            options.height = h;
        } else if (arg == "--time") {
            ok = ParseFloat(value, options.time);
        } else if (arg == "--eye") {
            ok = ParseVector(value, options.eye);
        } else if (arg == "--dir") {
            ok = ParseVector(value, options.direction);
        } else if (arg == "--up") {
            ok = ParseVector(value, options.up);
        } else if (arg == "--path") {
            options.path = value;
        } else if (arg == "--path-time") {
            ok = ParseFloat(value, options.pathTime);
            options.pathTimeGiven = true;
        } else if (arg == "--fov") {
            ok = ParseFloat(value, options.fov);
        } else if (arg == "--near") {
            ok = ParseFloat(value, options.nearPlane);
        } else if (arg == "--far") {
            ok = ParseFloat(value, options.farPlane);
        } else if (arg == "--background") {
            ok = ParseColour(value, options.background);
        } else if (arg == "--ambient") {
            ok = ParseColour(value, options.ambient);
        } else if (arg == "--clock-time") {
            ok = ParseClockTime(value, options.clockTime);
            options.clock = true;
        } else if (arg == "--photo") {
            options.photo = value;
        } else if (arg == "--flash") {
            ok = ParseFloat(value, options.flash);
        } else if (arg == "--wink") {
            ok = ParseFloat(value, options.wink);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "zorvane-shot: bad argument %s\n%s", argv[i], kHelp);
            return 2;
        }
        ++i;
    }
    if (options.scene.empty() || options.out.empty()) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    return 0;
}

render::Camera MakeCamera(const Options& options) {
    render::Camera camera;
    camera.SetPerspective(options.nearPlane, options.farPlane, options.fov,
                          float(options.width) / float(options.height));
    camera.SetView(options.eye, options.direction, options.up);
    return camera;
}

// The states every frame starts with, as the screensaver's frame sets them.
bool BeginFrame(const Options& options, const render::Camera& camera, Device& device) {
    render::StateCache& cache = render::DeviceStateCache();
    if (Failed(device.BeginScene())) {
        return false;
    }
    device.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, options.background, 1.0f, 0);
    render::SetFrameTransforms(cache, camera.GetView().ToD3D(), camera.GetProjection().ToD3D());
    cache.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    render::SceneParameters scene;
    scene.ambient = options.ambient;
    render::SetFrameStates(cache, scene);
    return true;
}

bool RenderFrame(render::Scene& scene, const Options& options, Device& device) {
    const render::Camera camera = MakeCamera(options);
    if (!BeginFrame(options, camera, device)) {
        return false;
    }
    auto sorter = render::RenderSorter::Create(&scene.GetLights(), &camera);
    render::RenderContext context;
    context.camera = &camera;
    context.flags = render::kRenderAnimate;
    context.time = options.time;
    context.now = std::int64_t(double(options.time) * 1000.0);
    context.sorter = sorter.get();
    scene.GetRoot()->Render(context);
    const bool drawn = sorter->Flush();
    device.EndScene();
    device.Finish();
    return drawn;
}

// The room loaded as the clock scene loads it, then one frame of its passes.
bool RenderClockRoom(const Options& options, Device& device) {
    clockscene::ClockRoom room;
    vfs::FileSource source{core::EngineString(options.scene)};
    source.flags = vfs::kSourceDisk;
    if (!room.LoadScene(std::move(source), vfs::SearchPaths{})) {
        std::fprintf(stderr, "zorvane-shot: cannot load the scene %s\n", options.scene.c_str());
        return false;
    }
    room.SetUpAnimationSlots();
    if (!options.photo.empty() && !room.ApplyPicture(options.photo)) {
        std::fprintf(stderr, "zorvane-shot: the photo %s was not taken\n", options.photo.c_str());
    }
    room.PrepareMaterialsForWink();
    room.DetachSpecialNodes(0);
    room.StartAnimations(0);
    room.SetHands(options.clockTime);
    const render::Camera camera = MakeCamera(options);
    if (!BeginFrame(options, camera, device)) {
        return false;
    }
    clockscene::RoomFrame frame;
    frame.camera = &camera;
    frame.now = std::int64_t(double(options.time) * 1000.0);
    frame.flashLevel = options.flash;
    frame.winkPhase = options.wink;
    frame.ambient = options.ambient;
    const bool drawn = room.Render(frame);
    device.EndScene();
    device.Finish();
    if (!drawn) {
        std::fprintf(stderr, "zorvane-shot: some drawing failed\n");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = Parse(argc, argv, options)) {
        return status < 0 ? 0 : status;
    }
    if (!options.path.empty()) {
        render::CameraPath path;
        vfs::FileSource source{core::EngineString(options.path)};
        source.flags = vfs::kSourceDisk;
        float start = 0.0f, end = 0.0f;
        if (!path.LoadFile(std::move(source)) || !path.GetTimeRange(start, end)) {
            std::fprintf(stderr, "zorvane-shot: no camera keys in %s\n", options.path.c_str());
            return 1;
        }
        path.Sample(options.pathTimeGiven ? options.pathTime : start);
        options.eye = path.GetPosition();
        options.direction = path.GetFront();
        options.up = path.GetUp();
    }
    Runtime* runtime = CreateRuntime();
    if (!runtime) {
        std::fprintf(stderr, "zorvane-shot: no OpenGL 3.3 display (run it under xvfb-run)\n");
        return 1;
    }
    Device* device = gfx::CreateOffscreenDevice(*runtime, options.width, options.height);
    if (!device) {
        std::fprintf(stderr, "zorvane-shot: the device could not be created\n");
        runtime->Release();
        return 1;
    }
    render::SetCurrentDevice(device);
    render::DeviceStateCache().InvalidateCache();
    int status = 0;
    if (options.clock) {
        std::vector<std::uint32_t> pixels(std::size_t(options.width) * options.height);
        if (!RenderClockRoom(options, *device)) {
            status = 1;
        } else if (Failed(device->ReadBackBuffer(pixels.data(), options.width)) ||
                   !render::WritePng(options.out, pixels, options.width, options.height)) {
            std::fprintf(stderr, "zorvane-shot: cannot write %s\n", options.out.c_str());
            status = 1;
        }
    } else {
        render::Scene scene;
        vfs::FileSource source{core::EngineString(options.scene)};
        source.flags = vfs::kSourceDisk;
        vfs::SearchPaths paths;
        std::vector<std::uint32_t> pixels(std::size_t(options.width) * options.height);
        if (!scene.Load(std::move(source), paths)) {
            std::fprintf(stderr, "zorvane-shot: cannot load the scene %s\n", options.scene.c_str());
            status = 1;
        } else {
            if (!RenderFrame(scene, options, *device)) {
                std::fprintf(stderr, "zorvane-shot: some drawing failed\n");
            }
            if (Failed(device->ReadBackBuffer(pixels.data(), options.width)) ||
                !render::WritePng(options.out, pixels, options.width, options.height)) {
                std::fprintf(stderr, "zorvane-shot: cannot write %s\n", options.out.c_str());
                status = 1;
            }
        }
    }
    render::SetCurrentDevice(nullptr);
    device->Release();
    runtime->Release();
    return status;
}
