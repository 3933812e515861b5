// CameraTour: the camera flies the recorded paths of the scene one after another, in a random
// order without repeats within a cycle, fading in at each path's start and out at its end. When
// no path runs, the view comes from the free camera.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/interval_timer.h"
#include "render/math/camera.h"
#include "render/scene/animation/camera_path.h"

namespace vfs {
class Archive;
}

namespace app {

// Path units per millisecond: 100 ms a unit, 20 s for a key spacing of 200 units.
inline constexpr float kTourRate = 0.01f;
// Path units of fade at either end of a path (one second).
inline constexpr float kTourFadeLength = 10.0f;

// Where a camera looks from: eye position, front (look) direction and up direction.
struct CameraPose {
    render::Vector3 eye{-200.0f, 100.0f, 0.0f};
    render::Vector3 front{1.0f, 0.0f, 0.0f};
    render::Vector3 up{0.0f, 1.0f, 0.0f};
};

class CameraTour {
public:
    // Draws like rand(): a non-negative number.
    using Random = std::function<int()>;
    // Fills `path` from the path file `name`; false (and `path` without keys) when it can't.
    using PathLoader = std::function<bool(std::string_view name, render::CameraPath& path)>;

    explicit CameraTour(core::IntervalTimer::Clock clock = &core::NowMilliseconds);

    void SetRandom(Random random);
    void SetLoader(PathLoader loader);

    // Appends one path file name to the pool (the scene's `Animations` list, in order).
    void AddPath(std::string name);

    // The tour on at time 0, with a random path of the pool.
    void Start();
    // The tour timer counts from now (after loading, so loading time isn't flown).
    void RestartTimer();

    // One frame: samples the running path, advances the time and, past the path's end, moves on
    // to the next path in the same frame. Returns the pose the view is built from.
    CameraPose Step();
    // The pose of the current frame: the path's while one runs, else the free camera's.
    CameraPose View() const;
    void ApplyView(render::Camera& camera) const;

    // Opacity of the full-screen fade within kTourFadeLength of either end of the running path;
    // 0 when no fade is drawn.
    float FadeOpacity() const;

    // The camera used whenever no path runs; a finished path leaves it at its last pose.
    CameraPose& FreeCamera() { return freeCamera_; }
    const CameraPose& FreeCamera() const { return freeCamera_; }

    bool Active() const { return active_; }
    // Active, with a path that has keys.
    bool Running() const;
    float Time() const { return time_; }
    // Name of the loaded path; empty when none.
    const std::string& CurrentName() const { return current_; }
    // Names still to play in this cycle, in pool order, and those already played.
    const std::vector<std::string>& Pool() const { return pool_; }
    const std::vector<std::string>& Played() const { return played_; }
    const render::CameraPath& Path() const { return path_; }

private:
    // Advances the cursor by a random step and loads the path there. A path that can't be used
    // leaves the tour for good and another is tried, so one broken file doesn't stop the tour.
    void PickPath();
    // Moves the finished path to the played list, refilling the pool when a cycle is over.
    void RetireCurrent();
    void RefillPool();
    std::size_t Draw(std::size_t count);

    core::IntervalTimer timer_;
    Random random_;
    PathLoader loader_;
    render::CameraPath path_;
    std::vector<std::string> pool_;
    std::vector<std::string> played_;
    std::size_t cursor_ = 0;
    std::string current_;
    // The pose of the last sample, which the frame of a path switch still shows.
    CameraPose pose_;
    bool active_ = false;
    float time_ = 0.0f;
    CameraPose freeCamera_;
};

// A loader that reads `folder` + "/" + name from `archive` (disk first, then the archive).
CameraTour::PathLoader ArchivePathLoader(vfs::Archive* archive, std::string folder);

}  // namespace app
