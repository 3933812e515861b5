// Thunderstorm: the lightning outside the window (flashes through the display's gamma ramp and on
// the outdoor plane), the thunder claps that follow them and the flicker ("wink") of the room's
// light after some flashes. Pure timing and arithmetic: the ramps, claps and random numbers go
// through the small interfaces below, so the scene connects the device and the audio.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/interval_timer.h"
#include "platform/gfx/d3d_types.h"

// `clock` alone would clash with the C library's clock().
namespace clockscene {

inline constexpr int kDefaultQuietTime = 6000;
inline constexpr int kDefaultWinkTime = 2000;
// Longer pauses than an hour are taken as an hour, so the delay arithmetic can't overflow.
inline constexpr int kMaxStormTime = 3600000;
// A thunder clap follows its flash after this many ms.
inline constexpr std::int64_t kThunderDelay = 500;
// The delay before the first flash.
inline constexpr int kFirstFlashDelay = 1000;

// The flash ramp of `intensity`: intensity * 32768 + i * (intensity * 256 + 256), truncated and
// capped at 65535, the same for red, green and blue.
gfx::D3DGAMMARAMP FlashRamp(float intensity);
// flash * level + base * (1 - level) for each entry, truncated and capped at 65535.
gfx::D3DGAMMARAMP BlendRamps(const gfx::D3DGAMMARAMP& flash, const gfx::D3DGAMMARAMP& base,
                             float level);
// The ramp of a `Gamma` setting: gamma * 200 + i * 256 within 0 .. 65535.
gfx::D3DGAMMARAMP BaseRamp(std::int32_t gamma);
// The brightness of a flash at `t` (elapsed / duration): the fourth root of a triangle that peaks
// at t = 0.5, scaled so the peak saturates; 0 from t = 1 on and before 0.
float FlashLevelAt(float t);
// The wink's value for a phase clock at `phaseMs` with a period of `periodMs`: a triangle wave
// between 0 and 0.5.
float WinkPhaseAt(double phaseMs, double periodMs);

class Thunderstorm {
public:
    // Draws like rand(): a non-negative number.
    using Random = std::function<int()>;
    // Receives each ramp the display should show.
    using GammaOutput = std::function<void(const gfx::D3DGAMMARAMP& ramp)>;
    // Plays thunder sample 0, 1 or 2 from its start at a volume 0 .. 100.
    using ThunderOutput = std::function<void(int sample, int volume)>;

    explicit Thunderstorm(core::IntervalTimer::Clock clock = &core::NowMilliseconds);

    void SetRandom(Random random);
    void SetGammaOutput(GammaOutput output);
    void SetThunderOutput(ThunderOutput output);

    // The scene's `QuietTime` and `WinkTime`; values of 0 or below keep the defaults, values
    // above kMaxStormTime are capped.
    void SetQuietTime(int milliseconds);
    void SetWinkTime(int milliseconds);
    int QuietTime() const { return quietTime_; }
    int WinkTime() const { return winkTime_; }

    void SetBaseRamp(std::int32_t gamma);
    const gfx::D3DGAMMARAMP& BaseGammaRamp() const { return baseRamp_; }

    // Claps are queued only when the first thunder sample exists, and played only while the
    // sound is on at a volume above 0.
    void SetThunderLoaded(bool loaded) { thunderLoaded_ = loaded; }
    void SetThunderAudible(bool audible) { thunderAudible_ = audible; }

    // After loading: the first flash comes kFirstFlashDelay ms from now; the wink's phase clock
    // starts.
    void Start();

    // The three steps of a frame, in this order.
    // Starts a flash when the quiet time is over; plays the claps whose time has come.
    void UpdateLightning();
    // Fires the winks whose delay is over, then sets flashLevel and the display's ramp.
    void UpdateFlash();
    // The wink value of this frame.
    void UpdateWink();

    // Puts the base ramp on the display (at shutdown a flash may still be showing).
    void RestoreBaseRamp();

    float FlashLevel() const { return flashLevel_; }
    float WinkPhase() const { return winkPhase_; }
    // Grey level added to the outdoor plane: flashLevel * 64, truncated.
    int OutdoorGrey() const;
    // Ambient red, green and blue while the outdoor plane is drawn.
    float OutdoorAmbient() const { return 0.5f + 0.7f * flashLevel_; }
    // Grey level the room's light maps are darkened by: winkPhase * 128, truncated.
    int WinkGrey() const;

    bool FlashActive() const { return flashActive_; }
    int FlashDuration() const { return flashDuration_; }
    float FlashIntensity() const { return flashIntensity_; }
    int NextFlashDelay() const { return nextFlashDelay_; }
    bool WinkActive() const { return winkActive_; }
    int WinkDuration() const { return winkDuration_; }
    float WinkPeriod() const { return winkPeriod_; }
    std::size_t PendingClaps() const { return claps_.size(); }
    std::size_t PendingWinks() const { return winks_.size(); }

private:
    struct PendingWink {
        core::IntervalTimer timer;
        int delay;
    };

    void StartFlash();
    // rand() % count for a positive count.
    int Draw(int count);
    int Draw();
    void Show(const gfx::D3DGAMMARAMP& ramp);

    core::IntervalTimer::Clock clock_;
    Random random_;
    GammaOutput gammaOutput_;
    ThunderOutput thunderOutput_;

    int quietTime_ = kDefaultQuietTime;
    int winkTime_ = kDefaultWinkTime;
    gfx::D3DGAMMARAMP baseRamp_;
    bool thunderLoaded_ = false;
    bool thunderAudible_ = false;

    bool flashActive_ = false;
    core::IntervalTimer flashTimer_;
    int flashDuration_ = 0;
    float flashIntensity_ = 0.0f;
    float flashLevel_ = 0.0f;
    int nextFlashDelay_ = kFirstFlashDelay;
    core::IntervalTimer quietTimer_;

    bool winkActive_ = false;
    core::IntervalTimer winkTimer_;
    int winkDuration_ = 0;
    float winkPeriod_ = 600.0f;
    float winkPhase_ = 0.0f;
    core::IntervalTimer winkPhaseTimer_;

    std::vector<core::IntervalTimer> claps_;
    std::vector<PendingWink> winks_;
};

}  // namespace clockscene
