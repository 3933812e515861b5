// ClockScene: the screensaver's content. It loads the clock room and its sounds, drives the
// hands from the local time and the storm every frame, and draws the room in its passes.
#pragma once

#include <array>
#include <cstdint>

#include "app/saver_application.h"
#include "audio/audio_library.h"
#include "audio/sound_playback.h"
#include "clock/clock_room.h"
#include "clock/thunderstorm.h"
#include "core/interval_timer.h"
#include "platform/gfx/d3d_types.h"

namespace clockscene {

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
    // The picture's controls first, then the shell's.
    bool ConfigDialogProc(platform::DialogWindow& dialog, std::uint32_t message,
                          platform::WPARAM wParam, platform::LPARAM lParam) override;

    ClockRoom& Room() { return room_; }
    Thunderstorm& Storm() { return storm_; }
    audio::SoundPlayback& Sound() { return sound_; }

private:
    // The audio library and its device; without them Music and Sound are off for the run.
    void StartAudio();
    // The frame states the meshes' programs depend on, as the frame sets them.

    ClockRoom room_;
    bool roomRegistered_ = false;
    Thunderstorm storm_;
    audio::AudioLibrary library_;
    audio::SoundPlayback sound_;
    core::IntervalTimer volumeFadeTimer_;
};

// The one clock scene of the process, made on the first call (null when it can't be made).
app::SaverApplication* TheClockScene();
void DestroyClockScene();

}  // namespace clockscene
