#include "app/camera_tour.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/engine_string.h"
#include "vfs/file_source.h"

namespace app {

CameraTour::CameraTour(core::IntervalTimer::Clock clock) : timer_(clock) {}

void CameraTour::SetRandom(Random random) {
    random_ = std::move(random);
}

void CameraTour::SetLoader(PathLoader loader) {
    loader_ = std::move(loader);
}

void CameraTour::AddPath(std::string name) {
    pool_.push_back(std::move(name));
}

void CameraTour::Start() {
    active_ = true;
    time_ = 0.0f;
    cursor_ = 0;
    PickPath();
    if (Running()) {
        path_.Sample(time_);
        pose_ = {path_.GetPosition(), path_.GetFront(), path_.GetUp()};
    }
}

void CameraTour::RestartTimer() {
    timer_.Restart();
}

bool CameraTour::Running() const {
    float start, end;
    return active_ && path_.GetTimeRange(start, end);
}

CameraPose CameraTour::Step() {
    float start, end;
    if (!active_ || !path_.GetTimeRange(start, end)) {
        return View();
    }
    path_.Sample(time_);
    pose_ = {path_.GetPosition(), path_.GetFront(), path_.GetUp()};

    // Restarting only when a whole millisecond has passed keeps sub-millisecond frames from
    // losing their time; a clock that went back restarts without flying backwards.
    const std::int64_t elapsed = timer_.ElapsedMilliseconds();
    if (elapsed != 0) {
        if (elapsed > 0) {
            time_ += static_cast<float>(elapsed) * kTourRate;
        }
        timer_.Restart();
    }

    if (time_ > end) {
        if (!pool_.empty()) {
            RetireCurrent();
            PickPath();
        }
        if (path_.GetTimeRange(start, end)) {
            time_ = start;
        }
        // The next path starts from black, and a tour left without paths goes on from here.
        freeCamera_ = pose_;
        active_ = true;
    }
    return View();
}

CameraPose CameraTour::View() const {
    return Running() ? pose_ : freeCamera_;
}

void CameraTour::ApplyView(render::Camera& camera) const {
    const CameraPose pose = View();
    camera.SetView(pose.eye, pose.front, pose.up);
}

float CameraTour::FadeOpacity() const {
    float start, end;
    if (!active_ || !path_.GetTimeRange(start, end)) {
        return 0.0f;
    }
    float fade = 0.0f;
    if (time_ < kTourFadeLength) {
        fade = 1.0f - time_ / kTourFadeLength;
    } else if (time_ > end - kTourFadeLength) {
        fade = 1.0f - (end - time_) / kTourFadeLength;
    }
    return std::clamp(fade, 0.0f, 1.0f);
}

void CameraTour::PickPath() {
    float start, end;
    while (!pool_.empty()) {
        cursor_ = (cursor_ + Draw(pool_.size())) % pool_.size();
        current_ = pool_[cursor_];
        path_ = render::CameraPath();
        if (loader_ && loader_(current_, path_) && path_.GetTimeRange(start, end)) {
            return;
        }
        path_ = render::CameraPath();
        pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(cursor_));
        if (cursor_ >= pool_.size()) {
            cursor_ = 0;
        }
        if (pool_.empty()) {
            RefillPool();
        }
    }
    current_.clear();
}

void CameraTour::RetireCurrent() {
    if (cursor_ >= pool_.size()) {
        return;
    }
    played_.push_back(std::move(pool_[cursor_]));
    pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(cursor_));
    if (cursor_ >= pool_.size()) {
        cursor_ = 0;
    }
    if (pool_.empty()) {
        RefillPool();
    }
}

void CameraTour::RefillPool() {
    for (std::string& name : played_) {
        pool_.push_back(std::move(name));
    }
    played_.clear();
    cursor_ = 0;
}

std::size_t CameraTour::Draw(std::size_t count) {
    const int value = random_ ? random_() : std::rand();
    return static_cast<std::size_t>(static_cast<unsigned>(value)) % count;
}

CameraTour::PathLoader ArchivePathLoader(vfs::Archive* archive, std::string folder) {
    return [archive, folder = std::move(folder)](std::string_view name, render::CameraPath& path) {
        std::string full = folder;
        full += '/';
        full += name;
        return path.LoadFile(vfs::FileSource(archive, core::EngineString(full)));
    };
}

}  // namespace app
