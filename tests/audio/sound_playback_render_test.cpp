// The playback driven as the scene drives it, over the real audio module rendering into OpenAL's
// wave output; the checks read the rendered file. Test sounds are tones, so each sound's share
// of the mix can be measured at its own frequency.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_library.h"
#include "audio/sound_playback.h"
#include "clock/thunderstorm.h"
#include "module_image.h"
#include "ogg_writer.h"
#include "wave_capture.h"

namespace {

namespace fs = std::filesystem;
using audiotest::ToneLevel;

constexpr double kMusicHz = 440.0;
constexpr double kRainHz = 1300.0;
constexpr double kThunderHz = 200.0;
constexpr double kTicksHz = 3000.0;
const BASS_3DVECTOR kClock{100.0f, 50.0f, 0.0f};
const BASS_3DVECTOR kFront{0.0f, 0.0f, 1.0f};
const BASS_3DVECTOR kTop{0.0f, 1.0f, 0.0f};

class PlaybackRenderTest : public testing::Test {
protected:
    void SetUp() override {
        wave_ = audiotest::UseWaveOutput();
        // Test programs may run side by side, each with its own folder.
        root_ = fs::path(testing::TempDir()) / ("zorvane_render_media_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "Media");
        Put("ClockMusic.ogg", audiotest::EncodeTone(2, kMusicHz, 0.4, 1.0));
        Put("ClockRain.ogg", audiotest::EncodeTone(2, kRainHz, 0.3, 1.0));
        for (const char* name : {"ClockGrom1.ogg", "ClockGrom2.ogg", "ClockGrom3.ogg"}) {
            Put(name, audiotest::EncodeTone(2, kThunderHz, 0.5, 1.0));
        }
        Put("ClockTicks.ogg", audiotest::EncodeTone(1, kTicksHz, 0.5, 1.0));
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void Put(const std::string& name, const std::vector<unsigned char>& bytes) {
        std::ofstream(root_ / "Media" / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // Loads the module as the program does and brings the device up; the rendered file's time 0
    // is about now.
    void Open(const fs::path& mediaRoot) {
        ASSERT_TRUE(library_.Load(resources_, testing::TempDir()));
        vfs::SearchPaths paths;
        vfs::FileSource folder{core::EngineString(mediaRoot.string())};
        folder.flags = vfs::kSourceDisk;
        paths.add(folder);
        playback_ = audio::SoundPlayback(audio::SoundFunctions::Of(library_), paths, "Media");
        start_ = std::chrono::steady_clock::now();
        ASSERT_TRUE(playback_.Initialise(nullptr));
    }

    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    // Frames at about 60 Hz until `until` seconds of the file; `frame` gets the file's time.
    void RunFrames(double until, const std::function<void(double)>& frame) {
        for (double t = Seconds(); t < until; t = Seconds()) {
            frame(t);
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }

    // Silences and unloads as the scene's shutdown does; the closed device completes the file.
    audiotest::Wave Finish() {
        playback_.Silence();
        library_.Unload();
        return audiotest::ReadWave(wave_);
    }

    std::string wave_;
    fs::path root_;
    audiotest::ImageResources resources_{audiotest::ModuleImage()};
    audio::AudioLibrary library_;
    audio::SoundPlayback playback_;
    std::chrono::steady_clock::time_point start_;
};

TEST_F(PlaybackRenderTest, FadesInOverFourSecondsToTheVolumeAndStays) {
    Open(root_);
    playback_.StartSounds(true, false, kClock, {});
    const double fadeStart = Seconds();
    RunFrames(fadeStart + 5.2, [&](double t) {
        playback_.FadeIn(80, static_cast<std::int64_t>((t - fadeStart) * 1000), false);
        playback_.UpdateListener({0, 50, 0}, kFront, kTop);
    });
    const audiotest::Wave w = Finish();
    ASSERT_EQ(w.channels, 2);
    const auto at = [&](double from, double to) {
        return ToneLevel(w, 0, kMusicHz, fadeStart + from, fadeStart + to);
    };
    const double full = at(4.3, 5.1);
    EXPECT_GT(full, 0.1);
    EXPECT_LT(audiotest::Level(w, 0, 0.0, fadeStart + 0.08), 0.03 * full);
    EXPECT_NEAR(at(0.9, 1.1) / full, 0.25, 0.06);
    EXPECT_NEAR(at(1.9, 2.1) / full, 0.50, 0.06);
    EXPECT_NEAR(at(2.9, 3.1) / full, 0.75, 0.06);
    EXPECT_NEAR(at(4.3, 4.7) / at(4.7, 5.1), 1.0, 0.05);
}

TEST_F(PlaybackRenderTest, VolumeZeroStaysSilentEvenWithAClap) {
    Open(root_);
    playback_.StartSounds(true, true, kClock, {});
    const double fadeStart = Seconds();
    bool clapped = false;
    RunFrames(fadeStart + 1.5, [&](double t) {
        playback_.FadeIn(0, static_cast<std::int64_t>((t - fadeStart) * 1000), false);
        playback_.UpdateListener({90, 50, 0}, kFront, kTop);
        if (!clapped && t > fadeStart + 0.5) {
            playback_.PlayThunderClap(0, 100);
            clapped = true;
        }
    });
    const audiotest::Wave w = Finish();
    ASSERT_GT(w.samples.size(), static_cast<std::size_t>(2 * 44100 * (fadeStart + 1.2)));
    EXPECT_LT(audiotest::Level(w, 0, 0.0, fadeStart + 1.5), 0.0005);
    EXPECT_LT(audiotest::Level(w, 1, 0.0, fadeStart + 1.5), 0.0005);
}

TEST_F(PlaybackRenderTest, MusicOffSoundOnPlaysRainTicksAndThunderPastADamagedSlot) {
    std::vector<unsigned char> damaged = audiotest::EncodeTone(2, kThunderHz, 0.5, 1.0);
    damaged.resize(damaged.size() / 3);
    Put("ClockGrom2.ogg", damaged);
    Open(root_);
    playback_.StartSounds(false, true, kClock, {});
    EXPECT_EQ(playback_.musicSample(), 0u);
    EXPECT_NE(playback_.rainSample(), 0u);
    EXPECT_NE(playback_.ThunderSample(0), 0u);
    EXPECT_EQ(playback_.ThunderSample(1), 0u);
    EXPECT_NE(playback_.ThunderSample(2), 0u);
    EXPECT_NE(playback_.ticksSample(), 0u);
    const double start = Seconds();
    bool clapped = false;
    RunFrames(start + 1.6, [&](double t) {
        // Simulated time past the fade: full volume from the first frame.
        playback_.FadeIn(100, 4000 + static_cast<std::int64_t>((t - start) * 1000), false);
        playback_.UpdateListener({90, 50, 0}, kFront, kTop);
        if (!clapped && t > start + 0.8) {
            playback_.PlayThunderClap(1, 100);  // the damaged one: nothing
            playback_.PlayThunderClap(0, 100);
            clapped = true;
        }
    });
    const audiotest::Wave w = Finish();
    const double before = start + 0.1, clap = start + 0.9, end = start + 1.5;
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_LT(ToneLevel(w, channel, kMusicHz, before, end), 0.002) << channel;
        EXPECT_GT(ToneLevel(w, channel, kRainHz, before, end), 0.1) << channel;
        EXPECT_LT(ToneLevel(w, channel, kThunderHz, before, clap - 0.15), 0.01) << channel;
        EXPECT_GT(ToneLevel(w, channel, kThunderHz, clap, end), 0.1) << channel;
    }
    EXPECT_GT(ToneLevel(w, 1, kTicksHz, before, end), 0.1);
}

TEST_F(PlaybackRenderTest, TicksFollowTheListenerWhileTheRainStays) {
    Open(root_);
    playback_.StartSounds(false, true, kClock, {});
    const double start = Seconds();
    RunFrames(start + 1.6, [&](double t) {
        playback_.FadeIn(100, 4000 + static_cast<std::int64_t>((t - start) * 1000), false);
        // 10 units from the clock, which is on the right; then 300 units away.
        const bool near = t < start + 0.8;
        playback_.UpdateListener(near ? BASS_3DVECTOR{90, 50, 0} : BASS_3DVECTOR{-200, 50, 0},
                                 kFront, kTop);
    });
    const audiotest::Wave w = Finish();
    const double nearFrom = start + 0.1, nearTo = start + 0.75;
    const double farFrom = start + 0.9, farTo = start + 1.55;
    const double nearLeft = ToneLevel(w, 0, kTicksHz, nearFrom, nearTo);
    const double nearRight = ToneLevel(w, 1, kTicksHz, nearFrom, nearTo);
    const double farLeft = ToneLevel(w, 0, kTicksHz, farFrom, farTo);
    const double farRight = ToneLevel(w, 1, kTicksHz, farFrom, farTo);
    EXPECT_GT(nearRight, 2.0 * nearLeft);
    EXPECT_GT(farRight, farLeft);
    // The program asks for a tenth of the real world's roll-off: the clock stays audible across
    // the room, a little louder near it.
    EXPECT_GT(nearRight + nearLeft, 1.25 * (farRight + farLeft));
    EXPECT_GT(farRight + farLeft, 0.5 * (nearRight + nearLeft));
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_NEAR(ToneLevel(w, channel, kRainHz, farFrom, farTo) /
                        ToneLevel(w, channel, kRainHz, nearFrom, nearTo),
                    1.0, 0.05)
            << channel;
    }
}

TEST_F(PlaybackRenderTest, TheShippedSoundsAllLoadAndPlay) {
    Open(fs::path(ZORVANE_SOURCE_DIR) / "media");
    std::vector<std::string> log;
    playback_.StartSounds(true, true, kClock, [&](std::string line) { log.push_back(line); });
    EXPECT_NE(playback_.musicSample(), 0u);
    EXPECT_NE(playback_.rainSample(), 0u);
    EXPECT_NE(playback_.ThunderSample(0), 0u);
    EXPECT_NE(playback_.ThunderSample(1), 0u);
    EXPECT_NE(playback_.ThunderSample(2), 0u);
    EXPECT_NE(playback_.ticksSample(), 0u);
    EXPECT_EQ(log.size(), 5u);
    const double start = Seconds();
    RunFrames(start + 1.2, [&](double t) {
        playback_.FadeIn(100, 4000 + static_cast<std::int64_t>((t - start) * 1000), false);
        playback_.UpdateListener({90, 50, 0}, kFront, kTop);
    });
    const audiotest::Wave w = Finish();
    EXPECT_GT(audiotest::Level(w, 0, start + 0.1, start + 1.1), 0.01);
    EXPECT_GT(audiotest::Level(w, 1, start + 0.1, start + 1.1), 0.01);
}

TEST_F(PlaybackRenderTest, ThunderClapsHalfASecondAfterTheFlash) {
    Open(root_);
    playback_.StartSounds(false, true, kClock, {});
    // Connected as the scene connects them, on the real clock; the storm's first flash comes a
    // second after its start. A fixed draw keeps the clap at full volume and no second flash
    // inside the run.
    clockscene::Thunderstorm storm;
    storm.SetRandom([] { return 2; });
    storm.SetThunderOutput(
        [&](int sample, int volume) { playback_.PlayThunderClap(sample, volume); });
    storm.SetThunderLoaded(playback_.ThunderSample(0) != 0);
    storm.SetThunderAudible(true);
    const double start = Seconds();
    storm.Start();
    double flash = 0.0;
    RunFrames(start + 2.4, [&](double t) {
        playback_.FadeIn(100, 4000 + static_cast<std::int64_t>((t - start) * 1000), false);
        playback_.UpdateListener({90, 50, 0}, kFront, kTop);
        storm.UpdateLightning();
        storm.UpdateFlash();
        if (flash == 0.0 && storm.FlashActive()) {
            flash = t;
        }
    });
    const audiotest::Wave w = Finish();
    ASSERT_GT(flash, start + 0.9) << "the first flash a second after the start";
    ASSERT_LT(flash, start + 1.2);
    const double clap = ToneLevel(w, 0, kThunderHz, flash + 0.65, flash + 1.1);
    EXPECT_GT(clap, 0.1);
    EXPECT_LT(ToneLevel(w, 0, kThunderHz, start, flash + 0.4), 0.05 * clap) << "no clap before";
    // The onset: the first 20 ms stretch at half the clap's level.
    double onset = 0.0;
    for (double at = flash; at < flash + 1.1 && onset == 0.0; at += 0.01) {
        if (ToneLevel(w, 0, kThunderHz, at, at + 0.02) > 0.5 * clap) {
            onset = at - flash;
        }
    }
    EXPECT_NEAR(onset, 0.5, 0.1);
}

}  // namespace
