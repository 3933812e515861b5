// ClockScene: the screensaver's content. It loads the clock room and its sounds, drives the
// hands from the local time and the storm every frame, and draws the room in its passes.
#pragma once

#include <array>
#include <cstdint>

#include "app/saver_application.h"
#include "clock/clock_room.h"
#include "core/interval_timer.h"
#include "platform/gfx/d3d_types.h"

namespace clockscene {

inline constexpr std::int32_t kDefaultQuietTime = 6000;
inline constexpr std::int32_t kDefaultWinkTime = 2000;

// The free camera's place and direction when the scene is loaded.
inline constexpr render::Vector3 kFreeCameraEye{-200.0f, 100.0f, 0.0f};
inline constexpr render::Vector3 kFreeCameraDirection{1.0f, 0.0f, 0.0f};

class ClockScene : public app::SaverApplication {
public:
    ClockScene();
    explicit ClockScene(app::SaverServices services);
    ~ClockScene() override;

    bool UpdateScene() override;
    bool RenderScene() override;
    bool LoadCustom() override;
    void LoadCustomProps(const udf::PropNode& props) override;
    void Shutdown() override;
    bool ReadSettings() override;
    bool WriteSettings() override;

    ClockRoom& Room() { return room_; }
    std::int32_t QuietTime() const { return quietTime_; }
    std::int32_t WinkTime() const { return winkTime_; }
    const gfx::D3DGAMMARAMP& BaseGammaRamp() const { return baseGammaRamp_; }
    float FlashLevel() const { return flashLevel_; }
    float WinkPhase() const { return winkPhase_; }

private:
    void BuildBaseGammaRamp();
    // The frame states the meshes' programs depend on, as the frame sets them.
    void SetFrameStates();

    ClockRoom room_;
    bool roomRegistered_ = false;
    float flashLevel_ = 0.0f;
    float winkPhase_ = 0.0f;
    std::int32_t quietTime_ = kDefaultQuietTime;
    std::int32_t winkTime_ = kDefaultWinkTime;
    gfx::D3DGAMMARAMP baseGammaRamp_{};
    core::IntervalTimer volumeFadeTimer_;
    core::IntervalTimer quietTimer_;
    core::IntervalTimer winkPhaseTimer_;
    std::int32_t nextFlashDelay_ = 1000;
};

// The one clock scene of the process, made on the first call (null when it can't be made).
app::SaverApplication* TheClockScene();
void DestroyClockScene();

}  // namespace clockscene
