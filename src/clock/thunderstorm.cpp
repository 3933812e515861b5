#include "clock/thunderstorm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "app/saver_application.h"

namespace clockscene {

namespace {

std::uint16_t CapEntry(float value) {
    // Compared as floats first: a value past the 16-bit range must not wrap when truncated.
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 65535.0f) {
        return 65535;
    }
    return static_cast<std::uint16_t>(value);
}

int StormTime(int milliseconds, int fallback) {
    if (milliseconds <= 0) {
        return fallback;
    }
    return std::min(milliseconds, kMaxStormTime);
}

}  // namespace

gfx::D3DGAMMARAMP FlashRamp(float intensity) {
    gfx::D3DGAMMARAMP ramp;
    const float step = intensity * 256.0f + 256.0f;
    const float offset = intensity * 32768.0f;
    for (int i = 0; i < 256; ++i) {
        const std::uint16_t value = CapEntry(offset + static_cast<float>(i) * step);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = value;
    }
    return ramp;
}

gfx::D3DGAMMARAMP BlendRamps(const gfx::D3DGAMMARAMP& flash, const gfx::D3DGAMMARAMP& base,
                             float level) {
    gfx::D3DGAMMARAMP ramp;
    // base + (flash - base) * level: equal entries stay exact, so a ramp at its top stays there.
    const auto blend = [level](std::uint16_t f, std::uint16_t b) {
        const float base = static_cast<float>(b);
        return CapEntry(base + (static_cast<float>(f) - base) * level);
    };
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = blend(flash.red[i], base.red[i]);
        ramp.green[i] = blend(flash.green[i], base.green[i]);
        ramp.blue[i] = blend(flash.blue[i], base.blue[i]);
    }
    return ramp;
}

gfx::D3DGAMMARAMP BaseRamp(std::int32_t gamma) {
    gfx::D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i) {
        const std::uint16_t value = app::GammaRampEntry(gamma, i);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = value;
    }
    return ramp;
}

float FlashLevelAt(float t) {
    // Before 0 (a clock that went back) the flash shows nothing rather than a root of a negative.
    if (!(t >= 0.0f) || t >= 1.0f) {
        return 0.0f;
    }
    const float triangle = t < 0.5f ? 2.0f * t : 2.0f * (1.0f - t);
    return std::min(1.0f, std::sqrt(std::sqrt(triangle)) * 1.1111112f);
}

float WinkPhaseAt(double phaseMs, double periodMs) {
    if (!(periodMs > 0.0)) {
        return 0.0f;
    }
    double remainder = std::fmod(phaseMs, periodMs);
    if (remainder < 0.0) {
        remainder += periodMs;
    }
    double phase = remainder / periodMs;
    if (phase > 0.5) {
        phase = 1.0 - phase;
    }
    return static_cast<float>(phase);
}

Thunderstorm::Thunderstorm(core::IntervalTimer::Clock clock)
    : clock_(clock),
      baseRamp_(BaseRamp(0)),
      flashTimer_(clock),
      quietTimer_(clock),
      winkTimer_(clock),
      winkPhaseTimer_(clock) {}

void Thunderstorm::SetRandom(Random random) {
    random_ = std::move(random);
}

void Thunderstorm::SetGammaOutput(GammaOutput output) {
    gammaOutput_ = std::move(output);
}

void Thunderstorm::SetThunderOutput(ThunderOutput output) {
    thunderOutput_ = std::move(output);
}

void Thunderstorm::SetQuietTime(int milliseconds) {
    quietTime_ = StormTime(milliseconds, kDefaultQuietTime);
}

void Thunderstorm::SetWinkTime(int milliseconds) {
    winkTime_ = StormTime(milliseconds, kDefaultWinkTime);
}

void Thunderstorm::SetBaseRamp(std::int32_t gamma) {
    baseRamp_ = BaseRamp(gamma);
}

void Thunderstorm::Start() {
    nextFlashDelay_ = kFirstFlashDelay;
    quietTimer_.Restart();
    winkPhaseTimer_.Restart();
}

void Thunderstorm::UpdateLightning() {
    if (!flashActive_ && quietTimer_.Elapsed(nextFlashDelay_)) {
        StartFlash();
    }
    for (auto clap = claps_.begin(); clap != claps_.end();) {
        if (!clap->Elapsed(kThunderDelay)) {
            ++clap;
            continue;
        }
        // Without sound a clap is dropped at its time, so the queue can't grow for the whole run.
        if (thunderAudible_) {
            const int sample = Draw(3);
            int volume = 100;
            switch (Draw(3)) {
                case 0:
                    volume = Draw(30) + 20;
                    break;
                case 1:
                    volume = 0;
                    break;
                default:
                    break;
            }
            if (thunderOutput_) {
                thunderOutput_(sample, volume);
            }
        }
        clap = claps_.erase(clap);
    }
}

void Thunderstorm::StartFlash() {
    flashActive_ = true;
    flashTimer_.Restart();
    flashDuration_ = Draw(400) + 300;
    flashIntensity_ = static_cast<float>(Draw(100)) / 100.0f * 0.5f + 0.5f;
    if (Draw(5) == 0) {
        // A quick follow-up flash, and the room's light flickers a little later.
        nextFlashDelay_ = Draw(100);
        const int delay = Draw(2000) + 1000;
        winks_.push_back({core::IntervalTimer(clock_), delay});
    } else if (Draw() % 2 == 0) {
        nextFlashDelay_ = Draw(2 * quietTime_) + quietTime_;
    } else {
        nextFlashDelay_ = Draw(3 * quietTime_) + 2 * quietTime_;
    }
    if (thunderLoaded_) {
        claps_.emplace_back(clock_);
    }
}

void Thunderstorm::UpdateFlash() {
    for (auto wink = winks_.begin(); wink != winks_.end();) {
        if (!wink->timer.Elapsed(wink->delay)) {
            ++wink;
            continue;
        }
        // A wink that fires during another restarts its length but keeps its phase clock.
        if (!winkActive_) {
            winkActive_ = true;
            winkPhaseTimer_.Restart();
        }
        winkTimer_.Restart();
        winkDuration_ = Draw(2 * winkTime_) + winkTime_;
        wink = winks_.erase(wink);
    }

    flashLevel_ = 0.0f;
    if (!flashActive_) {
        return;
    }
    // One reading of the clock decides both the level and the end, so the last frame of a flash
    // always pairs level 0 with the base ramp.
    const std::int64_t elapsed = flashTimer_.ElapsedMilliseconds();
    if (elapsed >= flashDuration_ || -elapsed >= flashDuration_) {
        flashActive_ = false;
        quietTimer_.Restart();
        Show(baseRamp_);
        return;
    }
    flashLevel_ = FlashLevelAt(static_cast<float>(elapsed) / static_cast<float>(flashDuration_));
    Show(BlendRamps(FlashRamp(flashIntensity_), baseRamp_, flashLevel_));
}

void Thunderstorm::UpdateWink() {
    if (!winkActive_) {
        return;
    }
    double t = static_cast<double>(std::max<std::int64_t>(0, winkTimer_.ElapsedMilliseconds())) /
               static_cast<double>(std::max(1, winkDuration_));
    const bool ended = t > 1.0;
    if (ended) {
        t -= std::floor(t);
    }
    t *= t;
    winkPeriod_ = static_cast<float>((1.0 - t) * 100.0 + 500.0);
    winkPhase_ = WinkPhaseAt(static_cast<double>(winkPhaseTimer_.ElapsedMilliseconds()),
                             static_cast<double>(winkPeriod_));
    if (ended && winkPhase_ <= 0.1f) {
        winkActive_ = false;
        winkPhase_ = 0.0f;
    }
}

void Thunderstorm::RestoreBaseRamp() {
    Show(baseRamp_);
}

int Thunderstorm::OutdoorGrey() const {
    return static_cast<int>(flashLevel_ * 64.0f);
}

int Thunderstorm::WinkGrey() const {
    return static_cast<int>(winkPhase_ * 128.0f);
}

int Thunderstorm::Draw(int count) {
    return static_cast<int>(static_cast<unsigned>(Draw()) % static_cast<unsigned>(count));
}

int Thunderstorm::Draw() {
    return random_ ? random_() : std::rand();
}

void Thunderstorm::Show(const gfx::D3DGAMMARAMP& ramp) {
    if (gammaOutput_) {
        gammaOutput_(ramp);
    }
}

}  // namespace clockscene
